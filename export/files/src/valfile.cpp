#include "files/valfile.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/read_file.h"

namespace valfile {
namespace {

// Little-endian fields at explicit offsets, whatever the host's byte order.
class Writer {
  public:
    explicit Writer(std::size_t size) : bytes_(size, '\0') {}
    void Bytes(const void* p, std::size_t n) {
        std::memcpy(bytes_.data() + at_, p, n);
        at_ += n;
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_[at_++] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i)
            bytes_[at_++] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }
    void Pad(std::size_t n) { at_ += n; }
    std::size_t At() const { return at_; }
    std::string Take() { return std::move(bytes_); }

  private:
    std::string bytes_;
    std::size_t at_ = 0;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    void Bytes(void* p, std::size_t n) {
        std::memcpy(p, bytes_.data() + at_, n);
        at_ += n;
    }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_++])) << (8 * i);
        return v;
    }
    std::uint64_t U64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[at_++])) << (8 * i);
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    double F64() { return std::bit_cast<double>(U64()); }
    void Skip(std::size_t n) { at_ += n; }
    std::size_t At() const { return at_; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

double* Arrays(ValFileRecord& r, int i) {
    double* const all[6] = {r.dark,         r.reference,   r.absorbance,
                            r.transmission, r.derivative1, r.derivative2};
    return all[i];
}

const double* Arrays(const ValFileRecord& r, int i) {
    return Arrays(const_cast<ValFileRecord&>(r), i);
}

bool Terminated(const char* field, std::size_t size) {
    return std::memchr(field, '\0', size) != nullptr;
}

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

void DecodeCurrent(std::string_view bytes, ValFileRecord* r) {
    Reader in(bytes);
    in.Bytes(r->date, sizeof r->date);
    in.Bytes(r->time, sizeof r->time);
    in.Bytes(r->device, sizeof r->device);
    in.Bytes(r->versionNumber, sizeof r->versionNumber);
    in.Bytes(r->versionDate, sizeof r->versionDate);
    r->tint = in.F32();
    r->pixelCount = in.I32();
    r->lamp = in.I32();
    r->channels = in.I32();
    r->direction = in.I32();
    for (float& c : r->fit)
        c = in.F32();
    in.Skip(4); // alignment of the doubles
    for (int a = 0; a < 6; ++a)
        for (int i = 0; i < kPoints; ++i)
            Arrays(*r, a)[i] = in.F64();
    r->measured = in.I32();
    in.Bytes(r->comment, sizeof r->comment);
}

// The older record: a shorter device name, the version as a number and the
// fit as doubles. Returns false when a field cannot be carried over.
bool DecodeOlder(std::string_view bytes, ValFileRecord* r, std::string* error) {
    Reader in(bytes);
    char device[20];
    char versionDate[12];
    in.Bytes(r->date, sizeof r->date);
    in.Bytes(r->time, sizeof r->time);
    in.Bytes(device, sizeof device);
    const float version = in.F32();
    in.Bytes(versionDate, sizeof versionDate);
    r->tint = in.F32();
    r->pixelCount = in.I32();
    r->lamp = in.I32();
    r->channels = in.I32();
    r->direction = in.I32();
    in.Skip(4);
    double fit[5];
    for (double& c : fit)
        c = in.F64();
    for (int a = 0; a < 6; ++a)
        for (int i = 0; i < kPoints; ++i)
            Arrays(*r, a)[i] = in.F64();
    r->measured = in.I32();
    in.Bytes(r->comment, sizeof r->comment);

    if (!Terminated(device, sizeof device) || !Terminated(versionDate, sizeof versionDate))
        return Fail(error, "The file's device name or version date is damaged.");
    SetText(r->device, device);
    SetText(r->versionDate, versionDate);
    // Any finite float prints in at most 43 characters with "%.2f": it fits.
    if (!std::isfinite(version))
        return Fail(error, "The file's version number is damaged.");
    SetText(r->versionNumber, support::FormatC("%.2f", version));
    for (int i = 0; i < 5; ++i)
        r->fit[i] = static_cast<float>(fit[i]); // out of float range: infinite, refused later
    return true;
}

std::string Describe(const std::string& path, const std::string& why) {
    return path + ": " + why;
}

// The wavelength of the record's last pixel.
double LastWavelength(const ValFileRecord& r) {
    const double p = r.pixelCount - 1;
    double last = r.fit[0];
    for (int k = 1; k < 5; ++k)
        last += r.fit[k] * std::pow(p, k);
    return last;
}

} // namespace

void SetText(char* field, std::size_t size, std::string_view text) {
    if (size == 0)
        return;
    text = text.substr(0, text.find('\0'));
    const std::size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

std::string Encode(const ValFileRecord& r) {
    Writer out(kRecordSize);
    out.Bytes(r.date, sizeof r.date);
    out.Bytes(r.time, sizeof r.time);
    out.Bytes(r.device, sizeof r.device);
    out.Bytes(r.versionNumber, sizeof r.versionNumber);
    out.Bytes(r.versionDate, sizeof r.versionDate);
    out.F32(r.tint);
    out.I32(r.pixelCount);
    out.I32(r.lamp);
    out.I32(r.channels);
    out.I32(r.direction);
    for (float c : r.fit)
        out.F32(c);
    out.Pad(4);
    for (int a = 0; a < 6; ++a)
        for (int i = 0; i < kPoints; ++i)
            out.F64(Arrays(r, a)[i]);
    out.I32(r.measured);
    out.Bytes(r.comment, sizeof r.comment);
    return out.Take();
}

bool Validate(const ValFileRecord& r, std::string* error) {
    if (r.pixelCount < 1 || r.pixelCount > kPoints)
        return Fail(error, support::FormatC("The pixel count %d is outside 1 to %d.",
                                            static_cast<int>(r.pixelCount), kPoints));
    if (!std::isfinite(r.tint))
        return Fail(error, "The integration time is not a number.");
    for (float c : r.fit)
        if (!std::isfinite(c))
            return Fail(error, "The wavelength calibration is not a number.");
    if (!Terminated(r.date, sizeof r.date) || !Terminated(r.time, sizeof r.time) ||
        !Terminated(r.device, sizeof r.device) ||
        !Terminated(r.versionNumber, sizeof r.versionNumber) ||
        !Terminated(r.versionDate, sizeof r.versionDate) ||
        !Terminated(r.comment, sizeof r.comment))
        return Fail(error, "A text field is not terminated.");
    return true;
}

bool Decode(std::string_view bytes, ValFileRecord* out, std::string* error, Layout* layout) {
    // Large (about 100 kB): kept off the stack of the callers' callbacks.
    auto temp = std::make_unique<ValFileRecord>();
    Layout found = Layout::Current;
    if (bytes.size() == kRecordSize) {
        DecodeCurrent(bytes, temp.get());
    } else if (bytes.size() == kOldRecordSize) {
        found = Layout::Older;
        if (!DecodeOlder(bytes, temp.get(), error))
            return false;
    } else {
        return Fail(error, support::FormatC("The file has %zu bytes; a spectrum file has %zu "
                                            "(or %zu in the older layout).",
                                            bytes.size(), kRecordSize, kOldRecordSize));
    }
    if (!Validate(*temp, error))
        return false;
    // The display and its evaluations walk a curve from short wavelengths to
    // long ones; one that runs the other way would show nothing.
    if (temp->pixelCount > 1 && !(LastWavelength(*temp) > temp->fit[0]))
        return Fail(error, "The wavelength calibration falls with the pixel number; its spectra "
                           "cannot be shown.");
    // A comment never holds more than the comment panel can give.
    if (std::strlen(temp->comment) > kCommentChars)
        std::memset(temp->comment + kCommentChars, 0, sizeof temp->comment - kCommentChars);
    *out = *temp;
    if (layout)
        *layout = found;
    return true;
}

int Load(const std::string& path, ValFileRecord* out, std::string* error, Layout* layout) {
    // The current layout is the larger one: nothing longer is a spectrum file.
    std::string bytes, why;
    if (support::ReadRegularFile(path, kRecordSize, &bytes, &why) != 0 ||
        !Decode(bytes, out, &why, layout)) {
        Fail(error, Describe(path, why));
        return -1;
    }
    return 0;
}

int Save(const std::string& path, const ValFileRecord& record, std::string* error) {
    std::string why;
    if (!Validate(record, &why)) {
        Fail(error, "The measurement cannot be saved: " + why);
        return -1;
    }
    return support::WriteFileAtomic(path, Encode(record), error);
}

std::size_t GridPoints(const ValFileRecord& r) {
    if (r.pixelCount < 1 || r.pixelCount > kPoints)
        return 0;
    const double last = LastWavelength(r);
    const double lower = std::trunc(static_cast<double>(r.fit[0]));
    const double upper = std::trunc(last);
    const double points = (upper - lower) * 100.0 + 1.0;
    if (!std::isfinite(points) || points < 1.0)
        return 0;
    return points >= static_cast<double>(kMaxGridPoints) ? kMaxGridPoints
                                                         : static_cast<std::size_t>(points);
}

std::string BuildComment(const std::vector<std::string>& lines) {
    std::string comment;
    for (std::size_t i = 0; i < lines.size() && i < kCommentLines; ++i) {
        std::string line = lines[i].substr(0, lines[i].find('\0'));
        if (line.size() > kCommentLineChars) {
            std::size_t n = kCommentLineChars;
            while (n > 0 && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80)
                --n; // never half a UTF-8 character
            line.resize(n);
        }
        comment += line;
    }
    return comment;
}

bool CommentFits(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line.substr(0, line.find('\0'));
    return BuildComment(lines) == all;
}

} // namespace valfile
