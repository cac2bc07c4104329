// The rules of the open story as a search follows them: for each page, the
// keys worth pressing there and what each does in which state. A model of
// the engine's own key handling (BRINDLE_KEY, NAVIGATE_PAGE, and the
// progress text clearing every visit on page 0), read from the pages once
// and kept equal to the engine by the tests, so that a search need not step
// the engine state by state.
//
// A reader's state, as far as keys can tell: the page, whether the progress
// text is shown, and for each page some condition names (a "tracked" page),
// whether it has been played (left through an option since the start, or
// since the progress text last cleared the visits).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An option's condition as the rules see it.
struct RULE_TEST {
    enum KIND : uint8_t {
        ALWAYS,
        NEVER,       // names a page without a file: never played
        PLAYED,      // bit BIT set
        NOT_PLAYED,  // bit BIT clear
        FAULT,       // names a page beyond the story: working it out ends the story
        PASSIVE_PLAYED,      // passive page BIT played (an option no key takes)
        PASSIVE_NOT_PLAYED,
    } KIND = ALWAYS;
    int32_t BIT = -1;
};

// An option a key may take, in the order the engine looks at them.
struct RULE_SLOT {
    int32_t SLOT = 0;  // 1 to 4
    RULE_TEST TEST;
    int32_t DEST = 0;
    bool DEST_SHOWN = false;  // the destination is a page the player can show
};

struct RULE_KEY {
    uint16_t KEY = 0;       // in KEY_TABLE
    bool TURN = false;      // counts as a turn: taking an option plays the page
    bool PROGRESS = false;  // switches the progress text first (Backspace)
    bool OPTION = false;    // some option on the page has this key
    // The options with this key, in slot order, ended by the first option
    // (of any key) whose condition is a FAULT: the engine works out each
    // condition it passes, whatever the key.
    std::vector<RULE_SLOT> SLOTS;
};

struct STORY_RULES {
    int32_t LAST = -1;                    // the last page slot
    std::vector<std::string> KEY_TABLE;   // 0 Tab, 1 Backspace, then every option key
    std::vector<int32_t> BIT_OF;          // page -> its bit, or -1 when not tracked
    std::vector<int32_t> TRACKED;         // bit -> page
    // Pages named only by options no key takes: what keys do never depends
    // on them, only which of those options a frame lists.
    std::vector<int32_t> PASSIVE_OF;      // page -> its passive bit, or -1
    std::vector<int32_t> PASSIVE;         // passive bit -> page
    std::vector<bool> OPTIONS;            // page -> has its four options (a page a file gave, or page 0's slot)
    // page -> its option bar lists an option whose condition is a FAULT:
    // the player's frame of it is the fault report. The keys of a search
    // go on from it as the key handling alone would (the checker reports
    // the fault at its cause); a route does not.
    std::vector<bool> BAR_FAULTS;
    std::vector<std::vector<RULE_KEY>> KEYS;   // page -> the keys worth pressing there, in order
    std::vector<std::vector<RULE_TEST>> TESTS;  // page -> slot - 1 -> its condition
    size_t words() const { return (TRACKED.size() + 63) / 64; }
};

// Reads the rules of the open story (its pages as they are now). With
// `all_tracked`, no named page is passive.
STORY_RULES STORY_RULES_READ(bool all_tracked = false);

struct RULE_STATE {
    int32_t PAGE = 0;
    bool PROGRESS = false;
    std::vector<uint64_t> PLAYED;   // bit b: tracked page b played
    std::vector<uint64_t> PASSIVE;  // bit b: passive page b played; empty: not followed
    bool played(int32_t b) const { return PLAYED[size_t(b) / 64] >> (b % 64) & 1; }
    bool operator==(const RULE_STATE&) const = default;
};

struct RULE_STEP {
    enum { STAYED, MOVED, FAULT } OUTCOME = STAYED;
    int32_t SLOT = 0;  // the option taken, 0 none (MOVED, or FAULT by its destination)
    RULE_STATE NEXT;   // the state after the key (and its frame), unless a FAULT
};

// The state a story starts in; with `passive`, following the passive pages too.
RULE_STATE RULE_START(const STORY_RULES& rules, bool passive = false);
// Whether a test holds in a state (a FAULT never does, nor a passive test
// in a state that does not follow them).
bool RULE_HOLDS(const RULE_TEST& test, const RULE_STATE& state);
// One key press, as the engine would handle it.
RULE_STEP RULE_PRESS(const STORY_RULES& rules, const RULE_STATE& state, const RULE_KEY& key);

// The key string a reader presses to give KEY (letters unshifted), or ""
// when no key press matches it.
std::string PRESSED_KEY(const std::string& KEY);
