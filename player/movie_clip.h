#pragma once
// A timeline instance: the movie's main timeline or a placed sprite. It keeps its current
// frame, whether it plays, and its display list, whose sprites are movie clips in turn.
//
// Frame semantics: a new clip stands before its first frame (currentFrame() == 0); the first
// tick enters frame 1. Going to an earlier frame rebuilds the placements from frame 1 up to it
// and keeps the objects that match them (same character and ratio) as well as those scripts
// placed or swapped, so sprites that stay on stage keep their own state; recreated clips get
// their clip events again. Going forward past several frames merges their placements per
// depth, so clips placed and removed on the way are never made. Sprites loop only when their
// timeline is complete (Timeline::complete()).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/display_list.h"
#include "player/library.h"
#include "player/sound_events.h"
#include "player/timeline.h"

namespace player {

class MovieClip;
struct ConvertedShape;

// Hooks through which the script host follows the clips of a player: creation and removal,
// placements (they carry clip event scripts) and frames entered (they carry frame scripts).
class ClipEvents {
public:
    virtual ~ClipEvents() = default;
    // `tag` is the placement that made the clip (null for the main timeline and for clips
    // that scripts made); its clip event scripts belong to the new clip.
    virtual void clipCreated(MovieClip& clip, const swf::PlaceObject* tag) = 0;
    virtual void clipDestroyed(MovieClip& clip) = 0;
    // `frame` of `clip` was entered by playing or by a goto that ends there.
    virtual void frameEntered(MovieClip& clip, std::uint16_t frame) = 0;
    // advanceClips() is about to advance `clip` (its enterFrame events come first).
    virtual void frameStarting(MovieClip& clip) { (void)clip; }
    // A text field was placed in `parent` (it is a script object too, numbered like clips).
    virtual void textCreated(MovieClip& parent, DisplayObject& field) {
        (void)parent;
        (void)field;
    }
    virtual void textDestroyed(std::uint32_t instanceId) { (void)instanceId; }
};

// placedFrame of objects that scripts created; timeline rewinds keep them.
inline constexpr std::uint16_t kScriptPlaced = 0xFFFF;

// Limits shared by every clip of one player, so that a movie cannot nest or multiply sprites
// without bound (a sprite that places itself, or one that fans out at each level).
struct ClipContext {
    const Library* library = nullptr;
    FontCache* fonts = nullptr;  // text fields get their content only when set
    std::uint32_t nextInstanceId = 1;
    std::uint32_t liveInstances = 0;
    std::uint32_t maxInstances = 100000;
    unsigned maxNesting = 64;
    std::uint32_t refusedInstances = 0;  // placements dropped because of the limits
    ClipEvents* events = nullptr;
    SoundEvents* sounds = nullptr;  // sound tags of entered frames are added here when set
    const swf::PlaceObject* placing = nullptr;  // the tag of the clip being created, if any
    std::map<std::uint32_t, MovieClip*> live;   // every clip by id, that is by age
};

class MovieClip {
public:
    MovieClip(ClipContext& ctx, const Timeline& timeline, unsigned nesting, MovieClip* parent = nullptr,
              std::uint16_t characterId = 0);
    ~MovieClip();
    MovieClip(const MovieClip&) = delete;
    MovieClip& operator=(const MovieClip&) = delete;

    std::uint16_t currentFrame() const { return m_currentFrame; }
    std::uint16_t frameCount() const { return m_timeline->frameCount(); }
    bool isPlaying() const { return m_playing; }
    void play() { m_playing = true; }
    void stop() { m_playing = false; }
    // Whether reaching the end starts over at frame 1 (else the clip stops on its last frame).
    void setLooping(bool loop) { m_looping = loop; }

    // One iteration of this clip's own timeline: enter the next frame (or frame 1 at the
    // start). Its children are advanced by advanceClips(), not here.
    void tick();
    // Goes to a frame (clamped to 1..frameCount()); the play state is unchanged.
    void gotoFrame(std::uint16_t frame);
    bool gotoLabel(const std::string& label);

    const DisplayMap& displayList() const { return m_list; }
    // For input and scripts: changes the state of objects, never which objects there are.
    DisplayMap& displayList() { return m_list; }
    const Timeline& timeline() const { return *m_timeline; }

    // For scripts: identity, the clip that holds this one, and changes to the display list.
    std::uint32_t id() const { return m_id; }
    MovieClip* parent() const { return m_parent; }
    std::uint16_t characterId() const { return m_characterId; }
    DisplayMap& mutableDisplayList() { return m_list; }
    // Places a sprite instance at `depth` (replacing what is there); null when refused.
    MovieClip* addClip(Depth depth, const Timeline& timeline, std::uint16_t characterId, const Placement& placement);
    void removeDepth(Depth depth) { remove(depth); }
    // A movie loaded into this clip: everything on it goes and it plays `timeline` from the
    // start (the clip keeps its identity and placement). `timeline` must outlive the clip.
    void replaceTimeline(const Timeline& timeline);
    // Moves the object at `from` to `to`, swapping with the object there if any.
    void swapDepth(Depth from, Depth to);
    // What the drawing API drew into this clip (beneath its children); null when nothing.
    const std::shared_ptr<const ConvertedShape>& drawing() const { return m_drawing; }
    void setDrawing(std::shared_ptr<const ConvertedShape> shape) { m_drawing = std::move(shape); }

private:
    void runFrame(std::uint16_t frame);
    void queueSounds(std::uint16_t frame);
    void place(const swf::PlaceObject& p, std::uint16_t frame);
    void remove(Depth depth);
    void rewindTo(std::uint16_t frame);
    void skipTo(std::uint16_t frame);
    // Creates the runtime object for a placement (a clip for sprites); false when refused.
    bool instantiate(DisplayObject& obj);
    void instantiateButtonClips(DisplayObject& obj, const swf::DefineButton& button);
    void release(DisplayObject& obj);

    ClipContext& m_ctx;
    const Timeline* m_timeline;
    unsigned m_nesting;
    MovieClip* m_parent;
    std::uint16_t m_characterId;
    std::uint32_t m_id;
    std::shared_ptr<const ConvertedShape> m_drawing;
    std::uint16_t m_currentFrame = 0;
    bool m_playing = true;
    bool m_looping = true;
    DisplayMap m_list;
};

// One iteration of every clip of a player, the most recently created first, the order in
// which Flash players run them (so children usually run before their parents): each clip's
// frameStarting() event, then its tick().
void advanceClips(ClipContext& ctx);

}  // namespace player
