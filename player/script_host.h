#pragma once
// The movie as scripts see it: implements the interpreter's host interface over the player's
// clips, follows clip creation and frames through ClipEvents, and runs scripts in the order of
// a Flash player frame:
//   1. the clips advance, newest first (advanceClips()); each queues its enterFrame clip
//      events and onEnterFrame handler, then the init actions and frame actions of the frame
//      it enters; clips that frame places queue their load events and first frame at once
//      (a clip's load before its first frame's actions);
//   2. the initialize and construct events of new clips run, then the queue in order;
//      actions that move timelines queue more, which run too;
//   3. intervals that are due.
// Button code (and anything else that has an action block for a clip) enters through
// queueActions() and runs with the next runQueued().

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "avm1/host.h"
#include "avm1/vm.h"
#include "player/edit_text.h"
#include "player/movie_clip.h"
#include "player/scripts.h"

namespace player {

class ScriptHost final : public avm1::Host, public Scripts {
public:
    ScriptHost(const swf::Movie& movie, const Library& library, ClipContext& ctx, avm1::VmLimits limits = {});
    ~ScriptHost() override;

    void setRoot(MovieClip* root) override { m_root = root; }
    // Where trace() output goes (one call per message).
    void setTraceSink(std::function<void(std::string_view)> sink) { m_traceSink = std::move(sink); }
    void setTime(double ms) override { m_timeMs = ms; }
    // Where getURL sends web addresses (see PlayerOptions::openUrl).
    void setUrlOpener(std::function<void(const std::string&)> open) { m_openUrl = std::move(open); }
    // Where loadMovie and MovieClipLoader read files (see PlayerOptions::loadFile); loaded
    // pictures join `library`, the one this host draws from.
    using FileLoader = std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>;
    void setFileLoader(FileLoader load, Library& library) {
        m_loadFile = std::move(load);
        m_loadLibrary = &library;
    }
    // A plain relative path: no drive, root, "..", UNC prefix, scheme or control characters.
    static bool isSafeLocalPath(std::string_view path);

    void beforeTick() override;
    void afterTick() override;
    void queueActions(MovieClip& clip, std::span<const std::uint8_t> code) override;
    void runQueued();
    void runEventActions() override;
    void input(Input event, int code, int ascii) override;

    // fscommand("quit") was called.
    bool quitRequested() const { return m_quit; }
    // Scripts stopped by the step budget or the recursion limit since the start.
    unsigned abortedRuns() const { return m_aborted; }
    avm1::Vm& vm() { return *m_vm; }
    // Drawing API calls recorded per clip (drawn through the clip's shape, see drawing()).
    const std::vector<avm1::DrawOp>* drawing(const MovieClip& clip) const;

    // avm1::Host
    avm1::ClipId root() override;
    avm1::ClipId level(int n) override;
    avm1::ClipId parent(avm1::ClipId clip) override;
    avm1::ClipId child(avm1::ClipId clip, std::string_view name, avm1::NameCase mode) override;
    bool alive(avm1::ClipId clip) override;
    std::string name(avm1::ClipId clip) override;
    std::vector<avm1::ClipId> children(avm1::ClipId clip) override;
    double property(avm1::ClipId clip, avm1::ClipProp prop) override;
    void setProperty(avm1::ClipId clip, avm1::ClipProp prop, double value) override;
    void setName(avm1::ClipId clip, const std::string& name) override;
    void colorTransform(avm1::ClipId clip, double out[8]) override;
    void setColorTransform(avm1::ClipId clip, const double cx[8]) override;
    double stageSize(bool height) override;
    void convertPoint(avm1::ClipId clip, double& x, double& y, Direction dir) override;
    bool bounds(avm1::ClipId clip, avm1::ClipId space, double out[4]) override;
    void gotoFrame(avm1::ClipId clip, int frame, bool play) override;
    bool gotoLabel(avm1::ClipId clip, const std::string& label, bool play) override;
    void play(avm1::ClipId clip) override;
    void stop(avm1::ClipId clip) override;
    bool frameLoaded(avm1::ClipId clip, int frame) override;
    avm1::ClipId createEmpty(avm1::ClipId parent, const std::string& name, int depth) override;
    avm1::ClipId attach(avm1::ClipId parent, const std::string& exportName, const std::string& name, int depth) override;
    avm1::ClipId duplicate(avm1::ClipId clip, const std::string& name, int depth) override;
    void remove(avm1::ClipId clip) override;
    int depth(avm1::ClipId clip) override;
    void swapDepths(avm1::ClipId clip, int depth) override;
    avm1::ClipId atDepth(avm1::ClipId parent, int depth) override;
    int nextHighestDepth(avm1::ClipId parent) override;
    void draw(avm1::ClipId clip, const avm1::DrawOp& op) override;
    std::vector<std::span<const std::uint8_t>> frameActions(avm1::ClipId clip, const std::string& frame) override;
    void trace(std::string_view message) override;
    double timerMs() override { return m_timeMs; }
    void getUrl(const std::string& url, const std::string& target) override;
    void soundStart(avm1::ClipId target, const std::string& sound, double offsetSeconds, int loops) override;
    void soundStop(avm1::ClipId target, const std::string& sound) override;
    void soundVolume(avm1::ClipId target, double percent) override;
    bool effects(avm1::ClipId clip, avm1::ClipEffects& out) override;
    void setEffects(avm1::ClipId clip, const avm1::ClipEffects& e) override;
    // An http or https address without spaces, quotes or control characters.
    static bool isWebAddress(std::string_view url);

    long long loadInto(avm1::ClipId target, const std::string& url) override;
    void unloadFrom(avm1::ClipId target) override;
    long long loadLevel(int n, const std::string& url) override;
    void unloadLevel(int n) override;
    int levelNumber(avm1::ClipId clip) override;
    unsigned movieVersion(avm1::ClipId clip) override;
    std::vector<MovieClip*> levels() override;

    bool isTextField(avm1::ClipId id) override;
    bool isButton(avm1::ClipId id) override;
    avm1::ClipId createTextField(avm1::ClipId parent, const std::string& name, int depth, const double box[4]) override;
    avm1::Value textProperty(avm1::ClipId field, avm1::TextProp prop) override;
    void setTextProperty(avm1::ClipId field, avm1::TextProp prop, const avm1::Value& v) override;
    void setTextStyle(avm1::ClipId field, const avm1::TextStyle& style, bool asDefault) override;
    avm1::TextStyle textStyle(avm1::ClipId field) override;

    // ClipEvents
    void clipCreated(MovieClip& clip, const swf::PlaceObject* tag) override;
    void clipDestroyed(MovieClip& clip) override;
    void frameEntered(MovieClip& clip, std::uint16_t frame) override;
    void frameStarting(MovieClip& clip) override;
    void textCreated(MovieClip& parent, DisplayObject& field) override;
    void textDestroyed(std::uint32_t instanceId) override;

    // Scripts (mouse)
    void queueMouseEvent(std::uint32_t id, std::uint16_t condition) override;
    bool mouseEnabled(std::uint32_t id) override;
    bool tracksAsMenu(std::uint32_t id, bool byDefinition) override;
    bool actsAsButton(std::uint32_t clipId) override;

private:
    struct Pending {
        avm1::ClipId clip = 0;
        std::span<const std::uint8_t> code;
        const char* handler = nullptr;      // a method to call instead of code
        const std::string* symbol = nullptr;  // or: give the clip its registered class
        avm1::ObjectRef removed = nullptr;    // unload events: the removed clip's object
    };
    void queueUnload(MovieClip& clip);
    std::deque<Pending> m_unload;          // unload events of removed clips
    MovieClip* find(avm1::ClipId clip) const;
    // Text fields and buttons: their display list entry (and parent) while they live.
    avm1::ClipId registerText(MovieClip& parent, const DisplayObject& obj);
    // A button placed by attachMovie (0: refused).
    avm1::ClipId attachButton(MovieClip& parent, std::uint16_t characterId, const std::string& name, int depth);
    avm1::ClipId duplicateButton(avm1::ClipId button, const std::string& name, int depth);
    // Gives a button found by name or depth an id; a button defined to track as a menu says so
    // to scripts from the start.
    avm1::ClipId registerButton(MovieClip& parent, const DisplayObject& obj);
    // A plain value the script object of `id` has for `name` (own or inherited; getters are not
    // run, since mouse tracking asks between scripts); null when there is none.
    const avm1::Value* mouseFlag(std::uint32_t id, std::string_view name, bool ownOnly = false);
    DisplayObject* textEntry(avm1::ClipId id, MovieClip** parent = nullptr);
    MovieClip* holderOf(avm1::ClipId clip);
    void fitToText(EditText& t);
    // Text fields bound to a variable show its value (and give it their text when it is unset).
    void updateBoundFields();
    static double textSize(const DisplayObject& e, bool width);
    static void setTextSize(DisplayObject& e, bool width, double px);
    std::unordered_map<avm1::ClipId, avm1::ClipId> m_texts;  // text field or button -> the clip holding it
    DisplayObject* entryOf(const MovieClip& clip) const;
    // The clip's matrix to the stage (twips), the main timeline's being the identity.
    swf::Matrix globalMatrix(const MovieClip& clip) const;
    void run(const Pending& p);
    // Converts the drawings changed since the last frame into the clips' shapes.
    void updateDrawings();
    std::unordered_set<avm1::ClipId> m_drawingChanged;
    void placeChild(MovieClip& parent, int depth, const Timeline& timeline, std::uint16_t characterId,
                    const Placement& placement);
    MovieClip* m_lastPlaced = nullptr;
    bool m_scriptPlacing = false;  // a script is making the clip: it constructs the class itself

    const swf::Movie& m_movie;
    const Library& m_library;
    ClipContext& m_ctx;
    std::unique_ptr<avm1::Vm> m_vm;
    MovieClip* m_root = nullptr;
    std::unordered_map<avm1::ClipId, MovieClip*> m_clips;
    std::unordered_map<avm1::ClipId, std::vector<const swf::ClipAction*>> m_clipActions;
    std::unordered_map<avm1::ClipId, std::vector<avm1::DrawOp>> m_drawing;
    std::unordered_set<std::uint16_t> m_initDone;  // sprites whose init actions ran
    std::unordered_map<std::uint16_t, std::string> m_symbols;  // exported characters' names
    std::unordered_map<avm1::ClipId, std::string> m_autoNames;  // "instanceN" of unnamed clips
    unsigned m_nextAutoName = 1;
    std::deque<Pending> m_queue;
    std::deque<Pending> m_initQueue;       // initialize events of new clips: first of all
    std::deque<Pending> m_constructQueue;  // then their construct events
    std::unique_ptr<Timeline> m_emptyTimeline;
    std::function<void(std::string_view)> m_traceSink;
    std::function<void(const std::string&)> m_openUrl;
    double m_lastUrlMs = -1e9;
    FileLoader m_loadFile;
    Library* m_loadLibrary = nullptr;
    // Files loaded so far, by path and content, so that loading one again (a movie that
    // reloads a picture every few frames) takes nothing more.
    struct LoadedFile {
        std::uint16_t bitmapId = 0;  // a picture
        int width = 0, height = 0;
        std::unique_ptr<Timeline> timeline;  // or a movie's main timeline
        unsigned version = 0;                // the movie's SWF version
    };
    std::unordered_map<std::string, LoadedFile> m_loadedFiles;
    // Reads a file (or finds it loaded before): its size and entry, or -1.
    long long fetch(const std::string& url, const LoadedFile*& out);
    // Puts a loaded file into a clip in place of what it showed.
    void show(MovieClip& clip, const LoadedFile& f);
    // Removes what the clip shows: its display list and drawing; it stops.
    void clearClip(MovieClip& clip);
    // Takes level n (> 0) off the stage; the clip goes at the start of the next frame, as
    // scripts of the level may be running.
    void retireLevel(int n);
    std::map<int, std::unique_ptr<MovieClip>> m_levels;  // levels above 0
    std::vector<std::unique_ptr<MovieClip>> m_retiredLevels;
    // What scripts see of each loaded movie, by its main timeline: its SWF version and its
    // exported symbols (under their new ids).
    struct LoadedMovie {
        unsigned version = 0;
        std::map<std::string, std::uint16_t> exports;
    };
    std::unordered_map<const Timeline*, LoadedMovie> m_loadedMovies;
    // The loaded movie a clip belongs to (null: the main movie).
    const LoadedMovie* movieOf(avm1::ClipId clip) const;
    double m_timeMs = 0;
    bool m_quit = false;
    unsigned m_aborted = 0;
};

}  // namespace player
