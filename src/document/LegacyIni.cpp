#include "document/LegacyIni.h"

#include "document/FieldReader.h"

namespace {

SjisView Trim(SjisView s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// ASCII letters only; the second byte of a double-byte character is left alone.
SjisString Lower(SjisView s)
{
    SjisString out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(out[i])))
            ++i;
        else if (out[i] >= 'A' && out[i] <= 'Z')
            out[i] = char(out[i] - 'A' + 'a');
    }
    return out;
}

} // namespace

LegacyIni::LegacyIni(SjisView text)
{
    SjisString section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == SjisView::npos)
            end = text.size();
        SjisView line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            section = Lower(line.substr(1, close == SjisView::npos ? SjisView::npos : close - 1));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == SjisView::npos)
            continue;
        SjisView value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values_.emplace_back(section + '\n' + Lower(Trim(line.substr(0, eq))), SjisString(value));
    }
}

SjisString LegacyIni::text(SjisView section, SjisView key, SjisView fallback) const
{
    const SjisString wanted = Lower(section) + '\n' + Lower(key);
    for (const auto& [name, value] : values_)
        if (name == wanted)
            return value;
    return SjisString(fallback);
}

bool LegacyIni::flag(SjisView section, SjisView key, bool fallback) const
{
    std::int32_t value = 0;
    return ParsePageInteger(text(section, key, ""), value) ? value != 0 : fallback;
}
