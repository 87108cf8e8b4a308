#include "ini/ini.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/read_file.h"

namespace ini {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool HasControl(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

// A value that starts with a quote and ends with the matching quote is a
// quoted string; anything else (an unmatched quote too) is taken literally.
std::string Unquote(std::string_view v) {
    if (v.size() < 2 || v.front() != '"')
        return std::string(v);
    std::string out;
    for (std::size_t i = 1; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '"')
            return i + 1 == v.size() ? out : std::string(v);
        if (c == '\\' && i + 1 < v.size()) {
            const char e = v[++i];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '"':
            case '\\':
                out += e;
                break;
            default:
                out += '\\';
                out += e;
            }
            continue;
        }
        out += c;
    }
    return std::string(v); // no closing quote
}

bool NeedsQuotes(std::string_view v) {
    if (v.empty())
        return false;
    return IsBlank(v.front()) || IsBlank(v.back()) || v.front() == '"' || HasControl(v);
}

std::string Quote(std::string_view v) {
    std::string out = "\"";
    for (char c : v) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

bool ValidSection(std::string_view s) {
    return !s.empty() && Trim(s) == s && !HasControl(s) && s.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
    return !k.empty() && Trim(k) == k && !HasControl(k) && k.find('=') == std::string_view::npos &&
           k.front() != '[' && k.front() != ';' && k.front() != '#';
}

} // namespace

Document::Section* Document::FindSection(std::string_view name) {
    for (Section& s : sections_)
        if (SameName(s.name, name))
            return &s;
    return nullptr;
}

const Document::Section* Document::FindSection(std::string_view name) const {
    for (const Section& s : sections_)
        if (SameName(s.name, name))
            return &s;
    return nullptr;
}

bool Document::Parse(std::string_view text, std::string* error) {
    sections_.clear();
    if (text.size() > kMaxFileSize) {
        if (error)
            *error = "The file is larger than " + std::to_string(kMaxFileSize) + " bytes.";
        return false;
    }
    if (text.find('\0') != std::string_view::npos) {
        if (error)
            *error = "The file is not a text file.";
        return false;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    Section* current = nullptr; // keys before the first header belong nowhere
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineLength)
            continue;
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr; // a broken header: its keys are not trusted
                continue;
            }
            const std::string_view name = Trim(line.substr(1, close - 1));
            current = FindSection(name); // a repeated header continues the first
            if (!current) {
                sections_.push_back(Section{std::string(name), {}});
                current = &sections_.back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !current)
            continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty())
            continue;
        bool seen = false;
        for (const Entry& e : current->entries)
            seen = seen || SameName(e.key, key);
        if (!seen)
            current->entries.push_back(Entry{std::string(key), Unquote(Trim(line.substr(eq + 1)))});
    }
    return true;
}

bool Document::ReadFile(const std::string& path, std::string* error) {
    sections_.clear();
    std::string text, why;
    if (support::ReadRegularFile(path, kMaxFileSize, &text, &why) != 0) {
        if (error)
            *error = "Cannot read " + path + ": " + why;
        return false;
    }
    if (!Parse(text, &why)) {
        if (error)
            *error = path + ": " + why;
        return false;
    }
    return true;
}

const std::string* Document::Find(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    for (const Entry& e : s->entries)
        if (SameName(e.key, key))
            return &e.value;
    return nullptr;
}

bool Document::GetString(std::string_view section, std::string_view key, std::string* out) const {
    const std::string* v = Find(section, key);
    if (!v)
        return false;
    *out = *v;
    return true;
}

bool Document::GetInt(std::string_view section, std::string_view key, int* out, int min,
                      int max) const {
    const std::string* v = Find(section, key);
    long long n = 0;
    if (!v || !support::ParseLongC(v->c_str(), &n) || n < min || n > max)
        return false;
    *out = static_cast<int>(n);
    return true;
}

bool Document::GetUInt(std::string_view section, std::string_view key, unsigned* out) const {
    const std::string* v = Find(section, key);
    unsigned long long n = 0;
    if (!v || !support::ParseULongC(v->c_str(), &n) || n > UINT_MAX)
        return false;
    *out = static_cast<unsigned>(n);
    return true;
}

bool Document::GetUInt64(std::string_view section, std::string_view key, std::uint64_t* out) const {
    const std::string* v = Find(section, key);
    unsigned long long n = 0;
    if (!v || !support::ParseULongC(v->c_str(), &n))
        return false;
    *out = n;
    return true;
}

bool Document::GetDouble(std::string_view section, std::string_view key, double* out, double min,
                         double max) const {
    const std::string* v = Find(section, key);
    double d = 0.0;
    if (!v || !support::ParseDoubleC(v->c_str(), &d) || d < min || d > max)
        return false;
    *out = d;
    return true;
}

bool Document::Put(std::string_view section, std::string_view key, std::string value) {
    if (!ValidSection(section) || !ValidKey(key))
        return false;
    const std::size_t line =
        key.size() + 3 + (NeedsQuotes(value) ? Quote(value).size() : value.size());
    if (line > kMaxLineLength || section.size() + 2 > kMaxLineLength)
        return false; // the reader would skip it
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}});
        s = &sections_.back();
    }
    for (Entry& e : s->entries) {
        if (SameName(e.key, key)) {
            e.value = std::move(value);
            return true;
        }
    }
    s->entries.push_back(Entry{std::string(key), std::move(value)});
    return true;
}

bool Document::PutString(std::string_view section, std::string_view key, std::string_view value) {
    if (value.find('\0') != std::string_view::npos)
        return false;
    return Put(section, key, std::string(value));
}

bool Document::PutInt(std::string_view section, std::string_view key, int value) {
    return Put(section, key, support::FormatC("%d", value));
}

bool Document::PutUInt(std::string_view section, std::string_view key, unsigned value) {
    return Put(section, key, support::FormatC("%u", value));
}

bool Document::PutUInt64(std::string_view section, std::string_view key, std::uint64_t value) {
    return Put(section, key, support::FormatC("%llu", static_cast<unsigned long long>(value)));
}

bool Document::PutDouble(std::string_view section, std::string_view key, double value) {
    if (!std::isfinite(value))
        return false;
    return Put(section, key, support::FormatC("%.16g", value));
}

std::string Document::ToText() const {
    std::string out;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += '[' + sections_[i].name + "]\n";
        for (const Entry& e : sections_[i].entries) {
            out += e.key;
            out += " = ";
            out += NeedsQuotes(e.value) ? Quote(e.value) : e.value;
            out += '\n';
        }
    }
    return out;
}

int Document::WriteFile(const std::string& path, std::string* error) const {
    return support::WriteFileAtomic(path, ToText(), error);
}

} // namespace ini
