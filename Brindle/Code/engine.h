// The story engine as a library: open a story folder, press keys, compose
// frames and read the state, in-process. The desktop player, the author's
// command, the web player, the tests and the benchmarks all use it.
//
//   STORY_OPEN("stories/lantern", STORY_FRAMES);   // shows page 0's frame
//   STORY_PRESS("n");                              // a key, then its frame
//   STORY_SNAPSHOT(frame);                         // the 640 x 480 picture
//
// One story is open at a time; opening another (or STORY_CLOSE) releases
// the first. Frames need an open drawing surface (the headless one will do);
// STORY_LOGIC needs none.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "platform/file_read.h"
#include "story_records.h"

enum STORY_MODE {
    // The desktop player: loader messages are printed on the window's console
    // and each waits for a key; a fault ends the program with the fatal report.
    STORY_PLAYER,
    // Every frame composed on the surface as the player would; loader messages
    // and faults are returned, the process goes on.
    STORY_FRAMES,
    // No pictures at all: pages, keys, visits and counters only.
    STORY_LOGIC,
};

struct STORY_RESULT {
    bool ok = true;       // false: the story could not be opened, or a fault ended it
    bool ended = false;   // Escape: the reader asked to end
    bool empty = false;   // the folder holds no page file ("Oh Noes!")
    int error = 0;        // the fatal report's error number, when a fault ended it
    std::string message;  // one line: what went wrong
};

// Why `folder` holds no story ("" when it does): it does not exist, or has no
// Brindle\Assets folder. "" names the current folder.
std::string STORY_FOLDER_PROBLEM(const std::string& folder);
// Opens the story in `folder` (the one that holds Brindle\Assets; "" the
// current folder) and takes its first frame. Any story open before is closed.
// With `trace`, STORY_SOURCES() tells where every field was read.
STORY_RESULT STORY_OPEN(const std::string& folder, STORY_MODE mode, bool trace = false);
// Starts the open story afresh from page 0, as a new run would, without
// reading it again.
STORY_RESULT STORY_RESTART();
// Reads the open story's files again (pages, font, colour table, pictures)
// and shows the frame that follows, the reader where they were: the same
// page, each page's visits and visit number, the counters and the gallery
// and progress switches, as far as the pages still exist. Everything
// composed from the old files is released; thumbnails of played pages are
// made again from the pictures on disk, so the frame is the one a new run
// on the new files shows in the same state.
//   - The reader's page no longer exists: they go to page 0, and `message`
//     says so (ok stays true).
//   - The new files do not make a story (a page file refused, no page files,
//     no page 0, or a first frame that faults): nothing changes, the old
//     story stays open, and `message` gives the loader's reason (not ok).
// Nothing is printed or waited for, in any mode.
STORY_RESULT STORY_RELOAD();
// One key, with exactly the effect it has in the player, then the frame that
// follows. Escape changes nothing and answers `ended`.
STORY_RESULT STORY_PRESS(const std::string& key);
// Copies the frame the window shows now into `out` (640 x 480). False
// without frames.
bool STORY_SNAPSHOT(IMAGE* out);
// Releases the story and everything it holds.
void STORY_CLOSE();
// Forgets what is kept between frames (the current page's composed layers):
// the next frame composes everything afresh. For a story whose files were
// read again, and for measuring.
void STORY_DROP_CACHES();

// The reader's place in the open story: everything keys change. A state
// taken after a key (or the start) and put back shows the same frame.
struct STORY_READER_STATE {
    int32_t PAGELOCATION = 0;
    std::vector<int32_t> HISTORY, VISITED;  // slot n: page n
    int32_t TOTAL = 0, TALLY = 0, TURNS = 0;
    int32_t SETTING_GALLERY = 0, SETTING_GRADE = 0, SETTING_EFFICIENCY = 0;
    bool operator==(const STORY_READER_STATE&) const = default;
};
STORY_READER_STATE STORY_SAVE();
// Puts the reader where `state` says and shows that frame, as the keys that
// led there did. A state that does not fit the open story (other pages, a
// page without a file, counts out of range) changes nothing: not ok, and
// `message` says why.
STORY_RESULT STORY_RESTORE(const STORY_READER_STATE& state);
// What tells the open story's pages from any other's: every field the
// loader read, of every page. Pictures do not count.
uint64_t STORY_IDENTITY();
// The state as text for keeping between runs (one line of ASCII, the
// story's identity in it), and back. Reading checks the form, the identity
// and the ranges; false, with `why`, for anything else: damaged, another
// story's, or a story republished with other pages.
std::string STORY_STATE_TEXT(const STORY_READER_STATE& state);
bool STORY_STATE_FROM_TEXT(const std::string& text, STORY_READER_STATE& state, std::string& why);
// Keeps the reader's state and puts it back when it goes, however the scope
// ends (an exception included): for searches that step the open story, in
// STORY_LOGIC only (no frame is shown).
class STORY_STATE_KEEPER {
public:
    STORY_STATE_KEEPER();
    ~STORY_STATE_KEEPER();
    STORY_STATE_KEEPER(const STORY_STATE_KEEPER&) = delete;
    STORY_STATE_KEEPER& operator=(const STORY_STATE_KEEPER&) = delete;
private:
    STORY_READER_STATE kept_;
    std::string key_;
    int32_t turn_;
};

// The state, read only.
const Array<STORY_PAGE_TYPE>& STORY_PAGES();  // slot n: page n (HISTORY, VISITED, options ...)
int32_t STORY_LOCATION();                      // the page the reader is on
bool STORY_GALLERY_SHOWN();
bool STORY_PROGRESS_SHOWN();
// What the progress text shows: pages played of all page slots, the turn
// count and the grade ("025.00%"), worked out from the pages' HISTORY as
// the progress text does, without clearing anything.
struct STORY_PROGRESS_FIGURES {
    int32_t TALLY = 0, TOTAL = 0, TURNS = 0;
    std::string GRADE;
};
STORY_PROGRESS_FIGURES STORY_PROGRESS();
// What the frame on show says, in words, for a reader who cannot see it (a
// screen reader) or reads it small. Text is UTF-8 (story bytes that are not
// UTF-8 are read as Latin-1), without control characters. Call it after a
// frame: the gallery is the one that frame drew.
struct STORY_WORDS_OPTION {
    std::string KEY;       // the key string that takes it: what pressing it gives
    std::string KEY_NAME;  // "N", "Space", "Tab", "Up", "Ctrl+B"
    std::string CAPTION;
};
struct STORY_WORDS_TYPE {
    int32_t PAGE = 0;   // the page shown
    std::string TITLE;  // the page's title, whole
    // The description's words the text box shows: the lines the frame draws
    // joined again, a word it splits with " - " whole, none below the box.
    std::string TEXT;
    // The scene picture's words, then each figure's that shows in the frame
    // (a missing picture, or one placed wholly outside, is not told). A
    // picture's words are the first line of the ".txt" file beside it, or
    // its name with "_" and "-" read as blanks; a file with an empty first
    // line keeps it untold.
    std::vector<std::string> PICTURES;
    // The options with a caption that a key takes now, in slot order: their
    // condition holds and no option before them takes the same key.
    std::vector<STORY_WORDS_OPTION> OPTIONS;
    bool GALLERY_SHOWN = false;
    std::vector<std::string> GALLERY;   // the titles of the pages the gallery shows, by cell
    std::vector<std::string> PROGRESS;  // "3 of 12 pages played", "5 turns", "Grade 25.00%"[, "Efficiency 60.00%"]; empty while hidden
};
STORY_WORDS_TYPE STORY_WORDS();
// The loader's messages for the reader, one line each, from the last open.
const std::vector<std::string>& STORY_MESSAGES();
// Every page file the last open read (or refused), in reading order, with
// the line of each field; empty unless it was opened with `trace`.
const std::vector<PAGE_SOURCE>& STORY_SOURCES();
// Every file the open story reads, whether it is there or not: the colour
// table, the font, the bars' pattern, the wallpaper, the backdrop, each
// page file listed (read or refused), then each page's scene picture and
// figures, page by page, each followed by its description (the words read
// out for it, STORY_FILE_DESCRIPTION, with the same PAGE and SLOT). A
// picture several pages name is listed for each.
std::vector<STORY_FILE_TYPE> STORY_FILES();
// The files the story reader refused since the story was opened: there,
// but not ordinary files inside the story, or too large. Each names why.
std::vector<FILE_REFUSAL> STORY_REFUSED();
