// Play-through scripts from anywhere: any bytes are read as a script, and a
// script that reads is played (keys, expectations, restarts) on a small
// story. A frame line may name nothing outside the script's folder.
#include "fuzz_support.h"
#include "engine.h"
#include "platform/file_write.h"
#include "play_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    static bool story = false;
    if (!story) {
        story = true;
        const std::string pages[] = {"Start\n0,0,none\nn,1,0,On\nb,0,-1,Back\n\" \",2,1,Jump\n,,,\nA start.\n",
                                     "On\n0,0,none\nb,0,0,Back\n\t,2,0,Tab\n,,,\n,,,\nOn.\n",
                                     "End\n0,0,none\n\b,0,2,Again\n,,,\n,,,\n,,,\nThe end.\n"};
        for (int p = 0; p < 3; ++p)
            fuzz_write("Brindle/Assets/Pages/" + std::to_string(p) + ".seq",
                       reinterpret_cast<const uint8_t*>(pages[p].data()), pages[p].size());
    }
    PLAY_SCRIPT script;
    std::vector<std::string> errors;
    const bool read = PLAY_PARSE("scripts/fuzz.play", std::string(reinterpret_cast<const char*>(data), size), script, errors);
    if (read != errors.empty()) __builtin_trap();  // false exactly when a line is named
    for (const PLAY_STEP& step : script.STEPS)
        if (step.COMMAND == PLAY_FRAME && !name_stays_inside(step.FRAME)) __builtin_trap();
    if (!read || PLAY_NEEDS_FRAMES({script})) return 0;
    if (!STORY_OPEN("", STORY_LOGIC).ok) __builtin_trap();
    const PLAY_OUTCOME outcome = PLAY_RUN(script, false);
    if (outcome.CHECKS < 0 || outcome.STOPPED_AT < 0) __builtin_trap();
    STORY_CLOSE();
    return 0;
}
