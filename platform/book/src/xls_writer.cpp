// The binary 97-2003 workbook: a record stream (one globals block, one sheet)
// inside a compound file of 512-byte sectors. Only what a reader needs for
// strings and numbers is written: fonts, the default cell formats, the shared
// string table, and one record per cell.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "book/book.h"

namespace book {
namespace {

class Bytes {
  public:
    void U8(unsigned v) { s_.push_back(static_cast<char>(v & 0xFF)); }
    void U16(unsigned v) { U8(v), U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void F64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U32(static_cast<std::uint32_t>(bits)), U32(static_cast<std::uint32_t>(bits >> 32));
    }
    void Raw(const std::string& b) { s_ += b; }
    std::size_t size() const { return s_.size(); }
    std::string& str() { return s_; }
    void Clear() { s_.clear(); }

  private:
    std::string s_;
};

constexpr std::size_t kMaxBody = 8224; // longest record body
constexpr unsigned kCellXf = 15;       // first cell format after the 15 style formats

void Record(Bytes& out, unsigned type, Bytes& body) {
    out.U16(type);
    out.U16(static_cast<unsigned>(body.size()));
    out.Raw(body.str());
    body.Clear();
}

std::vector<std::uint16_t> Utf16(const std::string& utf8) {
    std::vector<std::uint16_t> u;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) |
                 (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            u.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            u.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    return u;
}

bool FitsLatin1(const std::vector<std::uint16_t>& u) {
    return std::all_of(u.begin(), u.end(), [](std::uint16_t c) { return c < 0x100; });
}

void Chars(Bytes& b, const std::vector<std::uint16_t>& u, std::size_t from, std::size_t n,
           bool wide) {
    for (std::size_t i = from; i < from + n; ++i)
        wide ? b.U16(u[i]) : b.U8(u[i]);
}

// The book's distinct texts in the order of their first cell, and the number
// of text cells.
struct Texts {
    std::map<std::string_view, std::uint32_t> index;
    std::vector<const std::string*> order;
    std::uint32_t cells = 0;
    int rowMin = -1, rowMax = -1, colMin = -1, colMax = -1;
};

Texts Survey(const Book& book) {
    Texts t;
    book.ForEachCellByRow([&](int row, int col, const auto& value) {
        if (t.rowMin < 0)
            t.rowMin = row;
        t.rowMax = row;
        t.colMin = t.colMin < 0 ? col : std::min(t.colMin, col);
        t.colMax = std::max(t.colMax, col);
        if constexpr (!std::is_same_v<std::decay_t<decltype(value)>, double>) {
            ++t.cells;
            if (t.index.emplace(value, static_cast<std::uint32_t>(t.order.size())).second)
                t.order.push_back(&value);
        }
    });
    return t;
}

// The shared string table, split into continuation records where it outgrows
// one record; a text split across two records restarts with its flag byte.
void StringTable(Bytes& out, const Texts& texts) {
    Bytes body;
    body.U32(texts.cells);
    body.U32(static_cast<std::uint32_t>(texts.order.size()));
    unsigned type = 0x00FC;
    auto flush = [&] {
        Record(out, type, body);
        type = 0x003C;
    };
    for (const std::string* text : texts.order) {
        const auto u = Utf16(*text);
        const bool wide = !FitsLatin1(u);
        const std::size_t w = wide ? 2 : 1;
        if (kMaxBody - body.size() < 3 + w)
            flush();
        body.U16(static_cast<unsigned>(u.size()));
        body.U8(wide ? 1 : 0);
        for (std::size_t i = 0; i < u.size();) {
            std::size_t fit = (kMaxBody - body.size()) / w;
            if (fit == 0) {
                flush();
                body.U8(wide ? 1 : 0);
                fit = (kMaxBody - body.size()) / w;
            }
            const std::size_t n = std::min(fit, u.size() - i);
            Chars(body, u, i, n, wide);
            i += n;
        }
    }
    flush();
}

void Bof(Bytes& out, unsigned kind) {
    Bytes b;
    b.U16(0x0600), b.U16(kind), b.U16(0x0DBB), b.U16(0x07CC), b.U32(0), b.U32(6);
    Record(out, 0x0809, b);
}

void Eof(Bytes& out) {
    Bytes b;
    Record(out, 0x000A, b);
}

// Globals up to the sheet's position; returns where that position is patched.
std::size_t Globals(Bytes& out, const Book& book, const Texts& texts) {
    Bytes b;
    Bof(out, 0x0005);
    b.U16(1200); // texts are UTF-16
    Record(out, 0x0042, b);
    for (unsigned v : {0u, 0u, 0x4000u, 0x2000u, 0x0038u, 0u, 0u, 1u, 0x0258u})
        b.U16(v);
    Record(out, 0x003D, b);
    for (int i = 0; i < 4; ++i) {
        b.U16(200), b.U16(0), b.U16(0x7FFF), b.U16(400), b.U16(0), b.U8(0), b.U8(0), b.U8(0),
            b.U8(0);
        b.U8(5), b.U8(0), b.Raw("Arial");
        Record(out, 0x0031, b);
    }
    for (unsigned i = 0; i <= kCellXf; ++i) {
        const bool style = i < kCellXf;
        b.U16(0), b.U16(0), b.U16(style ? 0xFFF5 : 0x0001), b.U8(0x20), b.U8(0), b.U8(0);
        b.U8(style ? 0xF4 : 0), b.U32(0), b.U32(0), b.U16(0x20C0);
        Record(out, 0x00E0, b);
    }
    b.U16(0x8000), b.U8(0), b.U8(0xFF); // the built-in "Normal" style
    Record(out, 0x0293, b);

    const auto name = Utf16(book.SheetName());
    const bool wide = !FitsLatin1(name);
    const std::size_t sheetPos = out.size() + 4;
    b.U32(0), b.U8(0), b.U8(0), b.U8(static_cast<unsigned>(name.size())), b.U8(wide ? 1 : 0);
    Chars(b, name, 0, name.size(), wide);
    Record(out, 0x0085, b);
    StringTable(out, texts);
    Eof(out);
    return sheetPos;
}

void Sheet(Bytes& out, const Book& book, const Texts& texts) {
    Bytes b;
    Bof(out, 0x0010);
    const bool empty = texts.rowMin < 0;
    b.U32(empty ? 0 : static_cast<std::uint32_t>(texts.rowMin));
    b.U32(empty ? 0 : static_cast<std::uint32_t>(texts.rowMax + 1));
    b.U16(empty ? 0 : static_cast<unsigned>(texts.colMin));
    b.U16(empty ? 0 : static_cast<unsigned>(texts.colMax + 1)), b.U16(0);
    Record(out, 0x0200, b);
    for (unsigned v : {0x06B6u, 0u, 0u, 64u, 0u, 0u, 0u})
        b.U16(v);
    b.U32(0);
    Record(out, 0x023E, b);
    book.ForEachCellByRow([&](int row, int col, const auto& value) {
        b.U16(static_cast<unsigned>(row)), b.U16(static_cast<unsigned>(col)), b.U16(kCellXf);
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, double>) {
            b.F64(value);
            Record(out, 0x0203, b);
        } else {
            b.U32(texts.index.find(value)->second);
            Record(out, 0x00FD, b);
        }
    });
    Eof(out);
}

// Compound file, version 3: [stream or mini stream][mini FAT][directory]
// [extra FAT-location sectors][FAT]. Streams under 4096 bytes live in the
// mini stream of 64-byte sectors.
constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD,
                        kDifSect = 0xFFFFFFFC, kNoStream = 0xFFFFFFFF;
constexpr std::size_t kSector = 512, kMiniSector = 64, kMiniCutoff = 4096;

void DirEntry(Bytes& d, const char* name, unsigned type, std::uint32_t child, std::uint32_t start,
              std::uint32_t size) {
    const std::size_t len = std::strlen(name);
    for (std::size_t i = 0; i < 32; ++i)
        d.U16(i < len ? static_cast<unsigned char>(name[i]) : 0);
    d.U16(len ? static_cast<unsigned>((len + 1) * 2) : 0);
    d.U8(type), d.U8(type ? 1 : 0); // black in the (one-node) tree
    d.U32(kNoStream), d.U32(kNoStream), d.U32(child);
    for (int i = 0; i < 9; ++i) // class id, state bits, two time stamps
        d.U32(0);
    d.U32(start), d.U32(size), d.U32(0);
}

std::string CompoundFile(const std::string& stream) {
    const std::size_t size = stream.size();
    const bool mini = size < kMiniCutoff;
    const std::size_t miniSectors = mini ? (size + kMiniSector - 1) / kMiniSector : 0;
    const std::size_t streamSectors =
        ((mini ? miniSectors * kMiniSector : size) + kSector - 1) / kSector;
    const std::size_t miniFatSectors = mini ? 1 : 0; // 128 entries cover 4096 bytes
    const std::size_t data = streamSectors + miniFatSectors + 1;
    std::size_t fat = 1, difat = 0;
    for (;; ++fat) {
        difat = fat > 109 ? (fat - 109 + 126) / 127 : 0;
        if (fat * 128 >= data + fat + difat)
            break;
    }
    const std::uint32_t miniFatAt = static_cast<std::uint32_t>(streamSectors);
    const std::uint32_t dirAt = static_cast<std::uint32_t>(streamSectors + miniFatSectors);
    const std::uint32_t difatAt = dirAt + 1;
    const std::uint32_t fatAt = difatAt + static_cast<std::uint32_t>(difat);

    std::vector<std::uint32_t> table(fat * 128, kFree);
    auto chain = [&](std::uint32_t first, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            table[first + i] = i + 1 < n ? first + static_cast<std::uint32_t>(i) + 1 : kEnd;
    };
    chain(0, streamSectors);
    chain(miniFatAt, miniFatSectors);
    chain(dirAt, 1);
    for (std::size_t i = 0; i < difat; ++i)
        table[difatAt + i] = kDifSect;
    for (std::size_t i = 0; i < fat; ++i)
        table[fatAt + i] = kFatSect;

    Bytes out;
    out.Raw(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    out.Raw(std::string(16, '\0'));
    out.U16(0x003E), out.U16(0x0003), out.U16(0xFFFE), out.U16(9), out.U16(6);
    out.Raw(std::string(6, '\0'));
    out.U32(0), out.U32(static_cast<std::uint32_t>(fat)), out.U32(dirAt), out.U32(0);
    out.U32(kMiniCutoff), out.U32(mini ? miniFatAt : kEnd);
    out.U32(static_cast<std::uint32_t>(miniFatSectors));
    out.U32(difat ? difatAt : kEnd), out.U32(static_cast<std::uint32_t>(difat));
    for (std::size_t i = 0; i < 109; ++i)
        out.U32(i < fat ? fatAt + static_cast<std::uint32_t>(i) : kFree);

    auto pad = [&] { out.Raw(std::string((kSector - out.size() % kSector) % kSector, '\0')); };
    out.Raw(stream);
    pad();
    if (mini) {
        for (std::size_t i = 0; i < 128; ++i)
            out.U32(i < miniSectors
                        ? (i + 1 < miniSectors ? static_cast<std::uint32_t>(i) + 1 : kEnd)
                        : kFree);
    }
    const auto streamSize = static_cast<std::uint32_t>(size);
    DirEntry(out, "Root Entry", 5, 1, mini ? 0 : kEnd,
             static_cast<std::uint32_t>(miniSectors * kMiniSector));
    DirEntry(out, "Workbook", 2, kNoStream, 0, streamSize);
    DirEntry(out, "", 0, kNoStream, 0, 0);
    DirEntry(out, "", 0, kNoStream, 0, 0);
    for (std::size_t j = 0; j < difat; ++j) {
        for (std::size_t i = 0; i < 127; ++i) {
            const std::size_t f = 109 + j * 127 + i;
            out.U32(f < fat ? fatAt + static_cast<std::uint32_t>(f) : kFree);
        }
        out.U32(j + 1 < difat ? difatAt + static_cast<std::uint32_t>(j) + 1 : kEnd);
    }
    for (std::uint32_t v : table)
        out.U32(v);
    return std::move(out.str());
}

} // namespace

std::string XlsBytes(const Book& book) {
    const Texts texts = Survey(book);
    Bytes stream;
    const std::size_t sheetPos = Globals(stream, book, texts);
    const auto sheetAt = static_cast<std::uint32_t>(stream.size());
    for (int i = 0; i < 4; ++i)
        stream.str()[sheetPos + static_cast<std::size_t>(i)] =
            static_cast<char>((sheetAt >> (8 * i)) & 0xFF);
    Sheet(stream, book, texts);
    return CompoundFile(stream.str());
}

} // namespace book
