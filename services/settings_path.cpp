#include "services/settings_path.h"

#include <algorithm>

namespace vt {
namespace {

size_t NameStart(std::string_view path) {
    size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? 0 : sep + 1;
}

size_t CountCharacters(std::string_view utf8) {
    return static_cast<size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

std::string ExeBaseName(std::string_view exe_path) {
    std::string_view name = exe_path.substr(NameStart(exe_path));
    size_t dot = name.find_last_of('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string ExeFolder(std::string_view exe_path) {
    size_t start = NameStart(exe_path);
    if (start == 0) return {};
    std::string_view folder = exe_path.substr(0, start - 1);
    // "C:" alone names the drive's current folder, not its root: keep the backslash.
    if (folder.size() == 2 && folder[1] == ':') folder = exe_path.substr(0, start);
    return std::string(folder);
}

std::string SettingsPathFor(std::string_view windir, std::string_view exe_base_name) {
    std::string path(windir);
    path += '\\';
    path += exe_base_name;
    path += ".dat";
    return path;
}

std::string ExeUrlFrom(std::string_view folder, std::string_view exe_base_name) {
    std::string url(folder);
    if (CountCharacters(folder) != 3) url += '\\';
    url += exe_base_name;
    url += ".exe";
    return url;
}

// The reader's blanks are the C white-space characters and ^Z (an old end-of-file mark).
bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string TrimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool ProfileValueNeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    return IsProfileBlank(value.front()) || IsProfileBlank(value.back()) || IsQuotedProfileValue(value);
}

std::string ProfileValueToStore(std::string_view value) {
    if (!ProfileValueNeedsQuotes(value)) return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

bool IsQuotedProfileValue(std::string_view raw) {
    return raw.size() >= 2 && IsQuote(raw.front()) && raw.back() == raw.front();
}

std::optional<std::string_view> FindProfileEntry(std::string_view section_block, std::string_view key) {
    key = TrimBlanks(key);
    while (!section_block.empty() && section_block.front() != '\0') {
        size_t end = section_block.find('\0');
        std::string_view entry = section_block.substr(0, end);
        section_block.remove_prefix(end == std::string_view::npos ? section_block.size() : end + 1);
        size_t equals = entry.find('=');
        std::string_view name = TrimBlanks(entry.substr(0, equals));
        if (!SameKey(name, key)) continue;
        if (equals == std::string_view::npos) return std::string_view{};
        return TrimBlanks(entry.substr(equals + 1));
    }
    return std::nullopt;
}

std::string ResolveProfileRead(std::string_view returned, std::optional<std::string_view> raw_value) {
    if (!raw_value || !IsQuotedProfileValue(*raw_value)) return TrimSpaces(returned);
    // The reader unwraps one pair of quotes and cuts to its buffer; keep only what truly is the value's
    // beginning (a double-byte character cut in half can leave a stray byte behind).
    std::string_view inner = raw_value->substr(1, raw_value->size() - 2);
    auto [end, unused] = std::mismatch(returned.begin(), returned.end(), inner.begin(), inner.end());
    return std::string(returned.begin(), end);
}

bool IsStorableProfileValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::optional<std::string_view> FindProfileLine(std::string_view file_text, std::string_view section,
                                                std::string_view key) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    bool in_section = false;
    bool section_seen = false;
    while (!file_text.empty()) {
        size_t end = file_text.find('\n');
        std::string_view line = file_text.substr(0, end);
        file_text.remove_prefix(end == std::string_view::npos ? file_text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::string_view content = TrimBlanks(line);
        if (content.starts_with('[')) {
            if (in_section) return std::nullopt;  // only the first section of that name counts
            // With no "]" the count is npos - 1, which still means "to the end".
            std::string_view name = content.substr(1, content.find(']') - 1);
            in_section = !section_seen && SameKey(TrimBlanks(name), section);
            section_seen = section_seen || in_section;
            continue;
        }
        if (!in_section || content.empty() || content.front() == ';') continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (SameKey(TrimBlanks(line.substr(0, equals)), key)) return line.substr(equals + 1);
    }
    return std::nullopt;
}

std::optional<std::string> ResolveExactRead(std::string_view returned,
                                            std::optional<std::string_view> raw_line, std::size_t limit) {
    if (!raw_line) return std::nullopt;
    // What the platform's reader makes of the line: blanks trimmed, one pair of quotes removed.
    std::string_view seen = TrimBlanks(*raw_line);
    if (IsQuotedProfileValue(seen)) seen = seen.substr(1, seen.size() - 2);
    if (!seen.starts_with(returned)) return std::nullopt;

    // Only a value that needed them was stored in quotes by this program; any other line holds the value
    // as it was written.
    std::string_view value = *raw_line;
    if (IsQuotedProfileValue(value) && ProfileValueNeedsQuotes(value.substr(1, value.size() - 2)))
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, limit));
}

}  // namespace vt
