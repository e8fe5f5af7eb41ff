#include "services/run_value.h"

#include "base/compat.h"

namespace vt {
namespace {

std::size_t CountCharacters(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace

std::string RunValueDataFor(std::string_view exe_folder, std::string_view base_name) {
    // Quoted: unquoted, a path with a blank ("C:\Program Files\...") is cut at the blank when Windows
    // starts it, and a program named like the first part would run instead.
    std::string data = "\"";
    data += exe_folder;
    if (CountCharacters(exe_folder) != 3) data += '\\';
    data += base_name;
    data += ".exe\" ";
    data += compat::kHiddenStartWord;
    return data;
}

}  // namespace vt
