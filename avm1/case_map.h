#pragma once
// Unicode case mapping as the Flash player does it: one code point to one code point, over the
// Basic Multilingual Plane, with the player's own table (it maps Georgian capitals to the
// Mkhedruli letters, for example). Strings are UTF-8; bytes that are not UTF-8 stay as they are.

#include <cstdint>
#include <string>
#include <string_view>

namespace avm1 {

std::uint32_t mapCase(std::uint32_t cp, bool upper);
std::string caseMapped(std::string_view utf8, bool upper);
// Whether two names are equal ignoring case (the SWF 6 and earlier rule for names).
bool equalFolded(std::string_view a, std::string_view b);

}  // namespace avm1
