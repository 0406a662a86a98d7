// The standalone player is linked without the script interpreter for now: with it the program
// does not fit the projector image (see kProjectorImageSize). This definition of
// createScripts() comes before the engine's libraries on the link line, so the interpreter's is
// never pulled in, and movies play their timelines without running their scripts.
#include "player/scripts.h"

namespace player {

std::unique_ptr<Scripts> createScripts(const swf::Movie&, const Library&, ClipContext&, std::uint64_t) {
    return nullptr;
}

}  // namespace player
