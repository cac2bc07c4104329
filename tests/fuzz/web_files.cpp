// What brindle-story web gathers from a story whose page names any pictures
// and whose folders hold any links: the input is the page file, then (after
// each 0x1E byte) a link as "name=target" made in Sprites. Nothing outside
// the story's Brindle/Assets is ever published, and every file published is
// the file its name names inside the story.
#include <unistd.h>

#include <fstream>
#include <random>

#include "fuzz_support.h"
#include "web_export.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    // A secret beside the story that no input can spell: bytes drawn at
    // start, and only their hash compared (the fuzzer learns what it sees
    // compared byte by byte).
    static std::string secret;
    static uint64_t secret_hash = 0;
    const auto hash = [](const std::string& s) {
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
        return h;
    };
    if (secret.empty()) {
        std::random_device random;
        for (int i = 0; i < 32; ++i) secret += char('A' + random() % 26);
        std::ofstream("secret.png") << secret;
        secret_hash = hash(secret);
        fs::create_directories("Brindle/Assets/Sprites/npc");
        std::ofstream("Brindle/Assets/Sprites/npc/fox.png") << "FOX";
    }
    fs::remove_all("Brindle/Assets/Pages");
    fs::remove_all("Brindle/Assets/Sprites/links");
    fs::create_directories("Brindle/Assets/Pages");
    fs::create_directories("Brindle/Assets/Sprites/links");
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t at = input.find('\x1E');
    fuzz_write("Brindle/Assets/Pages/0.seq", data, std::min(at, size));
    while (at != std::string::npos && at < size) {
        const size_t next = input.find('\x1E', at + 1);
        const std::string link = input.substr(at + 1, (next == std::string::npos ? size : next) - at - 1);
        const size_t eq = link.find('=');
        const std::string name = link.substr(0, eq);
        if (eq != std::string::npos && !name.empty() && name.find('/') == std::string::npos && name != "." &&
            name != ".." && name.find('\0') == std::string::npos && link.find('\0') == std::string::npos)
            (void)symlink(link.substr(eq + 1).c_str(), ("Brindle/Assets/Sprites/links/" + name).c_str());
        at = next;
    }
    const WEB_STORY story = WEB_STORY_FILES("");
    for (const WEB_FILE& f : story.FILES) {
        if (f.NAME.rfind("Brindle/Assets/", 0) != 0 || f.NAME.find("/../") != std::string::npos) __builtin_trap();
        if (hash(f.BYTES) == secret_hash) __builtin_trap();
    }
    return 0;
}
