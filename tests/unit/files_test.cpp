#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "asset_path.h"
#include "file_support.h"
#include "image_file.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/process.h"
#include "support.h"
#include "vga_lookup.h"

using Files = Scratch;

TEST_F(Files, IsFileAndIsDirUseTheSystemsSeparators) {
    write("Brindle/Assets/Pages/1.seq", "x");
    fs::create_directories("Brindle/Empty");
    EXPECT_EQ(IS_FILE(".\\Brindle\\Assets\\Pages\\1.seq"), -1);
    EXPECT_EQ(IS_FILE(".\\Brindle\\Assets\\Pages\\2.seq"), 0);
    EXPECT_EQ(IS_FILE(".\\Brindle\\Assets\\Pages"), 0);  // a folder is not a file
    EXPECT_EQ(IS_FILE(""), 0);
    const fs::path here = fs::current_path();
    EXPECT_EQ(IS_DIR(".\\Brindle\\Empty"), 0);
    EXPECT_EQ(fs::current_path(), here);
    EXPECT_EQ(IS_DIR(".\\Brindle\\Assets\\Pages\\1.seq"), -1);
    EXPECT_EQ(IS_DIR(".\\Nowhere"), -1);
    if (geteuid() != 0) {  // root reads everything
        write("locked.seq", "x");
        chmod("locked.seq", 0);
        EXPECT_EQ(IS_FILE("locked.seq"), 0);
    }
}

TEST_F(Files, CatListsOrdinaryVisibleFilesOnly) {
    write("P/2.seq", "");
    write("P/10 cellar.seq", "");
    write("P/notes.txt", "");
    write("P/.hidden.seq", "");
    fs::create_directories("P/dir.seq");
    Array<std::string> files;
    files.push_back("stale");
    CAT(files, ".\\P\\*.seq");
    ASSERT_EQ(files.ubound(), 1);
    std::vector<std::string> names = {files(0), files(1)};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"10 cellar.seq", "2.seq"}));
    CAT(files, ".\\Missing\\*.seq");
    EXPECT_TRUE(files.empty());
}

TEST_F(Files, ColourTableFieldsAndLookup) {
    PROJECTSPACE = "Demo";
    write("Demo/Assets/VGA Table.seq", "1,2,3\n&HFF0000\n\"4278190080\"\n");
    VGA_LOAD(VGA_TABLE, "VGA Table");
    EXPECT_EQ(VGA_TABLE.ubound(), 4);
    EXPECT_EQ(VGA_LOOKUP(3), 0xFF0000u);
    EXPECT_EQ(VGA_LOOKUP(-5), 1u);
    EXPECT_EQ(VGA_LOOKUP(256), 1u);
    EXPECT_EQ(VGA_LOOKUP(4), 0xFFFFFFFFFF000000ull);
    EXPECT_EXIT(VGA_LOOKUP(5), ::testing::ExitedWithCode(6), "out of bounds array access.* of VGA Lookup::VGA_LOOKUP");
    // A full table: 255 is the last entry, 256 falls back to entry 0.
    std::string full;
    for (int i = 0; i < 256; ++i) full += std::to_string(1000 + i) + "\n";
    write("Demo/Assets/VGA Table.seq", full);
    VGA_LOAD(VGA_TABLE, "VGA Table");
    EXPECT_EQ(VGA_LOOKUP(254), 1254u);
    EXPECT_EQ(VGA_LOOKUP(255), 1255u);
    EXPECT_EQ(VGA_LOOKUP(256), 1000u);
    fs::remove("Demo/Assets/VGA Table.seq");
    VGA_LOAD(VGA_TABLE, "VGA Table");
    EXPECT_TRUE(VGA_TABLE.empty());
    write("Demo/Assets/VGA Table.seq", std::string("\0\xff\"\r\r,,", 7));  // binary junk loads
    VGA_LOAD(VGA_TABLE, "VGA Table");
    EXPECT_EQ(VGA_LOOKUP(0), 0u);
}

TEST_F(Files, PngRoundTripAndPixelOrder) {
    IMAGE* img = make_image(3, 2, [](int x, int y) { return x == 0 && y == 0 ? 0xFFFF0000u : uint32_t(0x80000000u | (x * 40) << 8 | y); });
    pixel_set(img, 2, 1, 0x00000000);
    ASSERT_TRUE(SavePNGFile(img, ".\\pic.png", 1));
    IMAGE* back = LoadRGBAFile(".\\pic.png");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->PITCH, 16u);
    EXPECT_EQ(back->TYPE, 7u);
    EXPECT_EQ(px(back, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(px(back, 2, 1), 0x00000000u);
    EXPECT_TRUE(same_pixels(img, back));
    // Without alpha the file is RGB and decodes opaque.
    ASSERT_TRUE(SavePNGFile(img, "rgb.png", 0x100));
    IMAGE* opaque = LoadRGBAFile("rgb.png");
    EXPECT_EQ(px(opaque, 1, 0) >> 24, 0xFFu);
    EXPECT_FALSE(SavePNGFile(nullptr, "x.png", 1));
    image_destroy(img);
    image_destroy(back);
    image_destroy(opaque);
}

TEST_F(Files, AChangedPictureIsReadAgain) {
    IMAGE* red = image_create(4, 4, 0xFFFF0000u);
    IMAGE* blue = image_create(4, 4, 0xFF0000FFu);
    ASSERT_TRUE(SavePNGFile(red, "p.png", 1));
    IMAGE* first = LoadRGBAFile("p.png");
    pixel_set(first, 0, 0, 0);  // the caller's buffer is its own
    IMAGE* second = LoadRGBAFile(".\\p.png");
    EXPECT_EQ(px(second, 0, 0), 0xFFFF0000u);
    ASSERT_TRUE(SavePNGFile(blue, "p.png", 1));  // same size, new contents
    IMAGE* third = LoadRGBAFile("p.png");
    EXPECT_EQ(px(third, 3, 3), 0xFF0000FFu);
    fs::remove("p.png");
    EXPECT_EQ(LoadRGBAFile("p.png"), nullptr);
    for (IMAGE* img : {red, blue, first, second, third}) image_destroy(img);
}

TEST_F(Files, TheStoryIsReadOnlyFromOrdinaryFilesInsideIt) {
    // Story/ is the confined folder; outside/ and the devices are what a
    // shared story's links and names try to reach.
    write("outside/secret.png", "SECRET");
    write("Story/Sprites/scene/ok.png", "ok");
    write("Story/Sprites/scene/a/b/c/c.png", "c");
    fs::create_directories("Story/Sprites/scene/a/b/c/x");
    fs::create_directory_symlink("a/b/c", "Story/Sprites/scene/L");  // three levels down: followed
    fs::create_symlink("../../../outside/secret.png", "Story/Sprites/scene/secret.png");
    fs::create_symlink("../../../outside/secret.png", "Story/Sprites/out.png");  // climbs out
    fs::create_symlink(fs::absolute("outside/secret.png"), "Story/Sprites/abs.png");
    fs::create_symlink("/dev/zero", "Story/Sprites/zero.png");
    fs::create_directory_symlink(".", "Story/Sprites/loop");               // a cycle
    fs::create_symlink("me.png", "Story/Sprites/me.png");
    ASSERT_EQ(mkfifo("Story/Sprites/pipe.png", 0600), 0);
    {  // one byte past the limit, without writing it (sparse)
        std::ofstream f("Story/big.seq");
    }
    fs::resize_file("Story/big.seq", FILE_READ_LIMIT + 1);
    file_confine(".\\Story");
    alarm(10);  // a read that waits ends the tests
    std::string bytes;
    auto reads = [&](const std::string& path) { return file_read_all(path, bytes); };
    EXPECT_TRUE(reads(".\\Story\\Sprites\\scene\\ok.png") && bytes == "ok");
    EXPECT_TRUE(reads("./Story/Sprites/scene/L/c.png") && bytes == "c");
    EXPECT_TRUE(reads("./Story/Sprites/scene/L/x/../c.png") && bytes == "c");
    EXPECT_TRUE(reads("./Story/Sprites/loop/loop/scene/ok.png") && bytes == "ok");
    // A symlinked folder and then "..": the names say Story/secret.png,
    // which is not there (the folders say scene/secret.png, a link out);
    // nothing outside is read.
    EXPECT_FALSE(reads("./Story/Sprites/scene/L/../../../secret.png"));
    EXPECT_EQ(file_why(), "no such file");
    EXPECT_FALSE(reads("./Story/../outside/secret.png"));
    for (const char* bad : {"out.png", "abs.png", "zero.png", "me.png", "pipe.png", "loop"}) {
        EXPECT_FALSE(reads(std::string("./Story/Sprites/") + bad)) << bad;
        EXPECT_FALSE(file_readable(std::string("./Story/Sprites/") + bad)) << bad;
    }
    EXPECT_FALSE(reads("./Story/big.seq"));
    EXPECT_FALSE(reads("./Story/Sprites/missing.png"));
    std::vector<std::string> listed = dir_list_files("./Story/Sprites/loop/*.png");  // Sprites itself
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"abs.png", "me.png", "out.png", "pipe.png", "zero.png"}));
    std::string why;
    for (const FILE_REFUSAL& r : file_refusals()) why += r.PATH + ": " + r.WHY + "\n";
    EXPECT_EQ(why,
              "./Story/../outside/secret.png: a name that leaves the story (..)\n"
              "./Story/Sprites/out.png: a link that leaves the story\n"
              "./Story/Sprites/abs.png: a link that leaves the story\n"
              "./Story/Sprites/zero.png: a link that leaves the story\n"
              "./Story/Sprites/me.png: too many links\n"
              "./Story/Sprites/pipe.png: not an ordinary file (a pipe)\n"
              "./Story/Sprites/loop: a folder, not a file\n"
              "./Story/big.seq: larger than 64 MB\n");
    // Outside the story a pipe or a device is refused as well, at once.
    file_confine("");
    EXPECT_FALSE(reads("Story/Sprites/pipe.png"));
    EXPECT_EQ(file_why(), "not an ordinary file (a pipe)");
    EXPECT_FALSE(reads("/dev/zero"));
    EXPECT_EQ(file_why(), "not an ordinary file (a device)");
    alarm(0);
}

TEST_F(Files, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    std::string error;
    ASSERT_TRUE(file_write("out.txt", "first", error)) << error;
    chmod("out.txt", 0640);
    ASSERT_TRUE(file_write(".\\out.txt", "second", error)) << error;
    std::string bytes;
    ASSERT_TRUE(file_read_all("out.txt", bytes));
    EXPECT_EQ(bytes, "second");
    struct stat st;
    ASSERT_EQ(stat("out.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the target keeps its permissions
    // A link planted at the target is replaced, never written through.
    write("victim.txt", "keep");
    fs::create_symlink("victim.txt", "planted.txt");
    ASSERT_TRUE(file_write("planted.txt", "new", error));
    ASSERT_TRUE(file_read_all("victim.txt", bytes));
    EXPECT_EQ(bytes, "keep");
    EXPECT_FALSE(fs::is_symlink("planted.txt"));
    // A name as long as a folder allows is written like any other.
    const std::string longest(251, 'n');
    ASSERT_TRUE(file_write(longest + ".png", "long", error)) << error;
    ASSERT_TRUE(file_read_all(longest + ".png", bytes));
    EXPECT_EQ(bytes, "long");
    // A folder that cannot take the file: false, named, nothing left.
    EXPECT_FALSE(file_write("no/such/folder/x.txt", "x", error));
    EXPECT_EQ(error, "cannot write no/such/folder/x.txt: No such file or directory");
    EXPECT_FALSE(file_write("", "x", error));
    EXPECT_EQ(error, "cannot write a file without a name");
    // Folders for the output: a file in the way is named as such.
    ASSERT_TRUE(dir_make("made/on/the/way", error)) << error;
    ASSERT_TRUE(dir_make("made/on", error)) << error;
    EXPECT_FALSE(dir_make("out.txt/frames", error));
    EXPECT_EQ(error, "cannot make out.txt/frames: out.txt is there, and is not a folder");
    fs::create_directory("full");
    if (geteuid() == 0 && system("mount -t tmpfs -o size=16k tmpfs full 2>/dev/null") == 0) {
        ASSERT_TRUE(file_write("full/f.txt", "old", error));
        EXPECT_FALSE(file_write("full/f.txt", std::string(64 * 1024, 'x'), error));
        EXPECT_EQ(error, "cannot write full/f.txt: No space left on device");
        ASSERT_TRUE(file_read_all("full/f.txt", bytes));
        EXPECT_EQ(bytes, "old");
        EXPECT_EQ(std::distance(fs::directory_iterator("full"), fs::directory_iterator()), 1);
        EXPECT_EQ(system("umount full"), 0);
    }
    std::size_t left = 0;
    for (const auto& e : fs::directory_iterator(".")) left += e.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(left, 0u);
    EXPECT_TRUE(name_stays_inside("frames/start.png"));
    for (const char* bad : {"", "/etc/x.png", "\\x.png", "../x.png", "a/../../x.png", "a\\..\\x", "./x"})
        EXPECT_FALSE(name_stays_inside(bad)) << bad;
}

TEST_F(Files, BadPicturesGiveNullAndAReason) {
    EXPECT_EQ(GetLastResult().empty(), false);
    EXPECT_EQ(LoadRGBAFile(nullptr), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed no filename !");
    EXPECT_EQ(LoadRGBAFile("missing.png"), nullptr);
    EXPECT_FALSE(GetLastResult().empty());
    const char nine[9] = {};
    EXPECT_EQ(LoadRGBAMemory(nine, 9), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed wrong buffersize !");
    EXPECT_EQ(LoadRGBAMemory(nullptr, 100), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed no buffer !");

    IMAGE* img = make_image(40, 40, [](int x, int y) { return uint32_t(0xFF000000u | ((x * 997) ^ (y * 31))); });
    ASSERT_TRUE(SavePNGFile(img, "good.png", 1));
    image_destroy(img);
    std::string bytes;
    {
        std::ifstream f("good.png", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    // Truncated at every length, and with a header that lies about the width.
    for (size_t n = 10; n < bytes.size(); n += 7) {
        IMAGE* part = LoadRGBAMemory(bytes.data(), n);
        image_destroy(part);
    }
    std::string wide = bytes;
    wide[16] = 0, wide[17] = 0x04, wide[18] = char(0x93), wide[19] = char(0xE0);  // width 300000: past a 20-bit pitch
    EXPECT_EQ(LoadRGBAMemory(wide.data(), wide.size()), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed picture too large !");
    std::string vast = bytes;  // 10000 x 10000: a small file claiming 400 MB of pixels
    vast[16] = 0, vast[17] = 0, vast[18] = 0x27, vast[19] = 0x10;
    vast[20] = 0, vast[21] = 0, vast[22] = 0x27, vast[23] = 0x10;
    EXPECT_EQ(LoadRGBAMemory(vast.data(), vast.size()), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed picture too large !");
    const char tga[18] = {0, 0, 10};  // another format: refused, whatever it holds
    EXPECT_EQ(LoadRGBAMemory(tga, sizeof tga), nullptr);
    EXPECT_EQ(GetLastResult(), "Image load failed not a PNG file !");
    write("empty.png", "");
    EXPECT_EQ(LoadRGBAFile("empty.png"), nullptr);
}
