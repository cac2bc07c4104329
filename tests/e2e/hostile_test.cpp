// Stories made to break Brindle. Every run must end with exit status 0 or
// with the program's own fatal report carrying the same error number: never
// a signal, a hang or a silent failure.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>

#include "harness.h"
#include "image_file.h"
#include "surface.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
void put(const fs::path& p, const std::string& bytes) { write_file(p, bytes); }

void picture(const fs::path& p, int w, int h, uint32_t argb) {
    screen_open(640, 480, 32, 16, 0, 0);
    fs::create_directories(p.parent_path());
    IMAGE* img = image_create(w, h, argb);
    SavePNGFile(img, p.c_str(), 1);
    image_destroy(img);
}

std::string noise(size_t n, uint32_t seed) {
    std::mt19937 g(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(g());
    return s;
}

const std::string OK_PAGE = "Fine\n0,0,s\nn,1,0,On\nb,0,0,Back\n,,,\n,,,\nA page.\n";

struct Hostile {
    const char* name;
    std::function<void(const fs::path& assets)> make;
};

const std::vector<Hostile> STORIES = {
    {"binary page", [](const fs::path& a) { put(a / "Pages/0.seq", noise(5000, 1)); }},
    {"binary pages everywhere", [](const fs::path& a) { for (int i = 0; i < 5; ++i) put(a / ("Pages/" + std::to_string(i) + ".seq"), noise(300, i)); }},
    {"zero-byte page", [](const fs::path& a) { put(a / "Pages/0.seq", ""); }},
    {"no line ends", [](const fs::path& a) { put(a / "Pages/0.seq", std::string(200000, 'x')); }},
    {"ten megabyte line", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\n" + std::string(10 << 20, 'y')); }},
    {"unclosed quotes", [](const fs::path& a) { put(a / "Pages/0.seq", "\"T\n0,0,\"s\n\"n,1,0,\"x\n"); }},
    {"negative page number", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Pages/1.seq", OK_PAGE); put(a / "Pages/-5.seq", OK_PAGE); }},
    {"huge page number", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Pages/1.seq", OK_PAGE); put(a / "Pages/99999999999.seq", OK_PAGE); }},
    {"page number at the limit", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Pages/1.seq", OK_PAGE); put(a / "Pages/99999.seq", OK_PAGE); }},
    {"negative counts", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n-4,-9,s\n"); }},
    {"absurd counts", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n2000000000,2000000000,s\n"); }},
    {"counts at the limit", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n4096,4096,s\n"); }},
    {"hexadecimal counts", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n&HFFFFFFFF,&H7FFFFFFF,s\n"); }},
    {"option outside the story", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,50,0,Out\n,,,\n,,,\n,,,\n"); }},
    {"option to a negative page", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,-1,0,Out\n,,,\n,,,\n,,,\n"); }},
    {"option to an unfilled slot", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,2,0,Gap\n,,,\n,,,\n,,,\n"); put(a / "Pages/3.seq", OK_PAGE); }},
    {"condition outside the story", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,0,77,x\n,,,\n,,,\n,,,\n"); }},
    {"condition at the lowest integer", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,0,-2147483648,x\n,,,\n,,,\n,,,\n"); }},
    {"condition naming page 0", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\nn,1,0,a\nm,0,-0,b\n,,,\n,,,\n"); put(a / "Pages/1.seq", "U\n0,0,s\nb,0,0,back\n,,,\n,,,\n,,,\n"); }},
    {"options looping on themselves", [](const fs::path& a) { put(a / "Pages/0.seq", "Loop\n0,0,s\nn,0,0,Again\nm,0,0,Again\n\" \",0,0,Space\nx,0,0,\n"); }},
    {"tab and backspace as option keys", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,s\n\"\t\",1,0,Tab\n\"\b\",1,0,Back\n,,,\n,,,\n"); put(a / "Pages/1.seq", OK_PAGE); }},
    {"no page 0", [](const fs::path& a) { put(a / "Pages/4.seq", OK_PAGE); }},
    {"duplicate indices", [](const fs::path& a) { put(a / "Pages/0.seq", "A\n2,0,s\nnpc = a\nnpc = b\n"); put(a / "Pages/00.seq", "B\n0,3,s\nitem = c\nitem = d\nitem = e\n,,,\n"); put(a / "Pages/zero.seq", OK_PAGE); }},
    {"missing scene picture", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n0,0,nothing\n,,,\n,,,\n,,,\n,,,\n"); }},
    {"zero-byte scene picture", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Sprites/scene/s.png", ""); }},
    {"scene picture that is not a picture", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Sprites/scene/s.png", noise(3000, 7)); }},
    {"1 x 1 scene picture", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); picture(a / "Sprites/scene/s.png", 1, 1, 0xFFFFFFFFu); }},
    {"4000 x 4000 scene picture", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); picture(a / "Sprites/scene/s.png", 4000, 4000, 0xFF204060u); }},
    {"1 x 3000 scene picture", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); picture(a / "Sprites/scene/s.png", 1, 3000, 0xFF204060u); }},
    {"3000 x 1 figures", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n1,1,s\nnpc = w\nitem = w\n"); picture(a / "Sprites/npc/w.png", 3000, 1, 0xFFFF0000u); picture(a / "Sprites/item/w.png", 1, 3000, 0xFFFF0000u); }},
    {"broken figure pictures", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n2,0,s\nnpc = x\nnpc = y\n"); put(a / "Sprites/npc/x.png", ""); put(a / "Sprites/npc/y.png", noise(100, 3)); }},
    {"entity texts of every shape", [](const fs::path& a) { put(a / "Pages/0.seq", "T\n6,0,s\n = \n:\na = b = c:d:e\nnpc = -5:\n..\\..\\x\n/etc/passwd\n"); }},
    {"zero-byte backdrop", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "Sprites/interface/background.png", ""); }},
    {"missing wallpaper", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); fs::remove(a / "Sprites/background.png"); }},
    {"missing bar pattern", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); fs::remove(a / "Fonts/Fill.png"); }},
    {"tiny bar pattern", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); picture(a / "Fonts/Fill.png", 1, 1, 0x80FFFFFFu); }},
    {"short font sheet", [](const fs::path& a) { put(a / "Pages/0.seq", "\xff\xfe\x80 high codes\n0,0,s\n"); picture(a / "Fonts/mishap22.alpha.png", 16, 8, 0xFFFFFFFFu); }},
    {"missing font sheet", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); fs::remove(a / "Fonts/mishap22.alpha.png"); }},
    {"binary colour table", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); put(a / "VGA Table.seq", noise(4000, 9)); }},
    {"long texts everywhere", [](const fs::path& a) { std::string l(5000, 'w'); put(a / "Pages/0.seq", l + "\n0,0," + l + "\n" + l + ",0,0," + l + "\n,,,\n,,,\n,,,\n" + l + "\n" + l + "\n"); }},
    {"a folder named like a page", [](const fs::path& a) { put(a / "Pages/0.seq", OK_PAGE); fs::create_directories(a / "Pages/1.seq"); }},
    {"two thousand pages", [](const fs::path& a) { for (int i = 0; i < 2000; ++i) put(a / ("Pages/" + std::to_string(i) + ".seq"), "P\n0,0,s\nn," + std::to_string((i + 1) % 2000) + ",0,On\n,,,\n,,,\n,,,\n"); }},
};

// Every key a reader can press, in xdotool's names.
const char* EVERY_KEY =
    "a b c d e f g h i j k l m n o p q r s t u v w x y z shift+a shift+z 0 1 2 3 4 5 6 7 8 9 space Tab BackSpace "
    "Return minus comma period slash Up Down Left Right Home End Prior Next Insert Delete F1 F5 F12 ctrl+a";
}  // namespace

class HostileStory : public ::testing::TestWithParam<size_t> {};

TEST_P(HostileStory, EndsWithZeroOrItsOwnReport) {
    const Hostile& h = STORIES[GetParam()];
    const fs::path root = temp_dir("hostile");
    const fs::path assets = root / "Brindle" / "Assets";
    const fs::path shipped = source_dir() / "Brindle" / "Assets";
    fs::create_directories(assets / "Pages");
    fs::copy(shipped / "Fonts", assets / "Fonts", fs::copy_options::recursive);
    fs::copy(shipped / "Sprites", assets / "Sprites", fs::copy_options::recursive);
    h.make(assets);
    // The checker reads it without failing, and says what would go wrong.
    std::string out;
    const int checked = shell("", "timeout 60 " + (bin_dir() / "brindle-story").string() + " check --json '" +
                                      root.string() + "' 2>&1", &out);
    EXPECT_TRUE(checked == 0 || checked == 1) << h.name << ": check ended with " << checked << "\n" << out.substr(0, 2000);
    EXPECT_TRUE(nlohmann::json::accept(out)) << h.name << ": not one JSON object\n" << out.substr(0, 2000);
    XServer x;
    Program p(x, (bin_dir() / "Brindle").string(), root);
    for (int round = 0; round < 2 && p.running(); ++round) {
        p.keys(EVERY_KEY);
        p.close_button();
        p.keys("Tab BackSpace n Tab BackSpace");
    }
    p.keys("Escape");
    const int status = p.wait_exit(60);
    const std::string err = p.err();
    EXPECT_NE(status, -1) << h.name << ": still running";
    EXPECT_LT(status, 128) << h.name << ": ended by a signal\n" << err;
    if (status == 0) {
        EXPECT_EQ(err.find("Aborting"), std::string::npos) << h.name;
    } else if (status > 0 && status < 128) {
        EXPECT_NE(err.find("Aborting due to runtime error " + std::to_string(status)), std::string::npos)
            << h.name << ": exit " << status << " without its report\n" << err;
        EXPECT_EQ(checked, 1) << h.name << ": the player stopped with a report the checker did not foresee\n"
                              << err << out.substr(0, 3000);
    }
    EXPECT_EQ(err.find("runtime error:"), std::string::npos) << h.name << ": undefined behaviour\n" << err;
    EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << h.name << "\n" << err;
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileStory, ::testing::Range<size_t>(0, STORIES.size()),
                         [](const ::testing::TestParamInfo<size_t>& info) { return "story" + std::to_string(info.param); });
