// The author's command on stories made to break it: whatever bytes and
// files a story holds, each command ends with its own exit status and one
// readable answer, never an abort or a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string tool() { return (bin_dir() / "brindle-story").string(); }
std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }
}  // namespace

TEST(HostileTools, TextThatIsNotUtf8NeverStopsTheJsonCommands) {
    // An overlong form, a surrogate and a lead byte past U+10FFFF: in the
    // story folder's name, a page file's name and a title.
    const fs::path root = temp_dir("json-bytes") / "story \xC0\xAF \xED\xA0\x80";
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    const fs::path pages = root / "Brindle" / "Assets" / "Pages";
    fs::rename(pages / "4 market.seq", pages / "4 market \xF5\x80\x80\x80.seq");
    write_file(pages / "2 meadow.seq", "Meadow \xF7\xBF\xBF\xBF \xC1\xBF\n0,0,meadow\nb,0,0,Back \xED\xBF\xBF\n,,,\n,,,\n,,,\nGrass.\n");
    for (const std::string command :
         {" check --json ", " stats --json ", " random --runs 3 --seed 1 --json ", " graph --format json "}) {
        std::string out;
        const int status = shell("", tool() + command + quote(root) + " 2>/dev/null", &out);
        EXPECT_TRUE(status == 0 || status == 1) << command << " ended with " << status;
        EXPECT_TRUE(nlohmann::json::accept(out)) << command << ": " << out.substr(0, 200);
    }
    fs::remove_all(root.parent_path());
}

TEST(HostileTools, GraphNeverRunsADotFromTheCurrentFolder) {
    // A story folder holding its own "dot", and a PATH whose empty and "."
    // entries would name it: the map is laid out by the system's Graphviz.
    const fs::path root = temp_dir("dot-path");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    write_file(root / "dot", "#!/bin/sh\ntouch ran-planted-dot\necho '<svg>planted</svg>'\n");
    fs::permissions(root / "dot", fs::perms::owner_all);
    for (const std::string path : {"::/usr/bin", ".:/usr/bin", "/usr/bin:.", "bin:/usr/bin"}) {
        std::string out;
        const int status = shell("", "cd " + quote(root) + " && PATH='" + path + "' " + tool() + " graph --format svg", &out);
        EXPECT_EQ(status, 0) << path;
        EXPECT_EQ(out.find("planted"), std::string::npos) << path;
        EXPECT_NE(out.find("<svg"), std::string::npos) << path;
        EXPECT_FALSE(fs::exists(root / "ran-planted-dot")) << path;
    }
    // With no absolute folder holding dot, it is said plainly.
    std::string out;
    EXPECT_EQ(shell("", "cd " + quote(root) + " && PATH=.: " + tool() + " graph --format svg 2>&1", &out), 1);
    EXPECT_NE(out.find("cannot run dot"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(root / "ran-planted-dot"));
    fs::remove_all(root);
}
