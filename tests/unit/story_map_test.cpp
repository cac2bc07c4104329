// The story map: one node per page, one edge per option, conditions dashed
// and named, unreachable pages, dead ends and missing pages marked, and the
// JSON form holding exactly what the loader read.
#include <nlohmann/json.hpp>
#include <sstream>

#include "story_map.h"
#include "story_support.h"

namespace {
class StoryMap : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        page("0 start", "Start\n0,0,\nn,1,0,One\nc,2,1,Two\nu,3,-2,\"Three, quickly\"\nz,9,0,Nowhere\nThe start.\n");
        page("1", "One\n0,0,\nb,0,0,Back\n,,,\n,,,\n,,,\n\n");
        page("2", "Two\n0,0,\nw,2,0,Wait\n,,,\n,,,\n,,,\n\n");  // never leaves
        page("3", "Three\n0,0,\nb,0,0,Back\n\" \",1,0,\n,,,\n,,,\n\n");
        page("4", "Four\n0,0,\nb,0,0,Back\n,,,\n,,,\n,,,\n\n");  // nothing leads here
    }
    static CHECK_REPORT report() { return CHECK_STORY(".", 100000); }

    // The DOT statement that starts with `head` ("p0 -> p2 ["), or "".
    static std::string statement(const std::string& dot, const std::string& head) {
        std::istringstream in(dot);
        for (std::string line; std::getline(in, line);)
            if (line.find("  " + head) == 0) return line;
        return "";
    }
};

TEST_F(StoryMap, NodesEdgesConditionsAndMarks) {
    const std::string dot = STORY_MAP_DOT(report());
    EXPECT_NE(statement(dot, "p0 [").find("label=\"0: Start\""), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p0 -> p1 [").find("label=\"n: One\""), std::string::npos) << dot;
    const std::string two = statement(dot, "p0 -> p2 [");
    EXPECT_NE(two.find("label=\"c: Two\\nif 1 played\""), std::string::npos) << two;
    EXPECT_NE(two.find("style=\"dashed\""), std::string::npos) << two;
    const std::string three = statement(dot, "p0 -> p3 [");
    EXPECT_NE(three.find("u: Three, quickly\\nunless 2 played"), std::string::npos) << three;
    EXPECT_NE(three.find("style=\"dashed\""), std::string::npos) << three;
    // An option without a caption still has its edge; one to a page without
    // a file ends at a node that says so.
    EXPECT_NE(statement(dot, "p3 -> p1 [").find("space (not listed)"), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p0 -> missing9 [").find("z: Nowhere"), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "missing9 [").find("no page 9"), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p2 [").find("(dead end)"), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p4 [").find("(no reader reaches it)"), std::string::npos) << dot;
    EXPECT_EQ(statement(dot, "p1 [").find("(dead end)"), std::string::npos) << dot;
    // Page 1 leads away only to the start: an ending, in a shape of its own.
    EXPECT_NE(statement(dot, "p1 [").find("shape=hexagon"), std::string::npos) << dot;
    EXPECT_EQ(statement(dot, "p0 [").find("shape=hexagon"), std::string::npos) << dot;
    EXPECT_NE(dot.find("{ rank=source; p0; }"), std::string::npos);
    // Exactly one edge per option the pages hold: 4 + 1 + 1 + 2 + 1.
    size_t edges = 0;
    for (size_t at = dot.find(" -> "); at != std::string::npos; at = dot.find(" -> ", at + 1)) ++edges;
    EXPECT_EQ(edges, 9u);

    const std::string mermaid = STORY_MAP_MERMAID(report());
    EXPECT_NE(mermaid.find("p0 -.->|\"c: Two<br/>if 1 played\"| p2"), std::string::npos) << mermaid;
    EXPECT_NE(mermaid.find("p0 -->|\"n: One\"| p1"), std::string::npos) << mermaid;
    EXPECT_NE(mermaid.find("class p4 unreachable"), std::string::npos) << mermaid;
    EXPECT_NE(mermaid.find("class p2 deadend"), std::string::npos) << mermaid;
    EXPECT_NE(mermaid.find("  p1{{\"1: One\"}}"), std::string::npos) << mermaid;
}

TEST_F(StoryMap, JsonHoldsExactlyWhatTheLoaderRead) {
    const nlohmann::json map = nlohmann::json::parse(STORY_MAP_JSON(report()));
    ASSERT_TRUE(STORY_OPEN(".", STORY_LOGIC).ok);
    const auto& pages = STORY_PAGES();
    size_t listed = 0;
    for (const auto& p : map["pages"]) {
        const int32_t n = p["page"];
        ASSERT_LE(n, pages.ubound());
        EXPECT_EQ(p["title"], pages(n).CAPTION);
        std::vector<int> slots;
        for (const auto& o : p["options"]) {
            const STORY_OPTION_TYPE& O = pages(n).OPTIONS(o["slot"].get<int>());
            slots.push_back(o["slot"]);
            EXPECT_EQ(o["key"], O.KEY);
            EXPECT_EQ(o["to"], O.DEST);
            EXPECT_EQ(o["caption"], O.CAPTION);
            if (O.REQ == 0) EXPECT_TRUE(o["condition"].is_null());
            else EXPECT_EQ(o["condition"]["played"].get<bool>() ? o["condition"]["page"].get<int>() : -o["condition"]["page"].get<int>(), O.REQ);
        }
        // Every slot the file wrote, and no other.
        std::vector<int> written;
        for (int s = 1; s <= 4; ++s)
            if (!pages(n).OPTIONS(s).KEY.empty() || pages(n).OPTIONS(s).DEST != 0) written.push_back(s);
        EXPECT_EQ(slots, written) << "page " << n;
        ++listed;
    }
    EXPECT_EQ(listed, 5u);
    EXPECT_EQ(map["pages"][4]["reachable"], false);
    EXPECT_EQ(map["pages"][2]["dead_end"], true);
    EXPECT_EQ(map["pages"][1]["ending"], true);
    EXPECT_EQ(map["pages"][2]["ending"], false);
    EXPECT_EQ(map["pages"][0]["options"][3]["destination_exists"], false);
    EXPECT_EQ(map["pages"][0]["file"], "Brindle/Assets/Pages/0 start.seq");
}

TEST_F(StoryMap, ShadesColourPagesAndOptions) {
    MAP_SHADES shades;
    shades.PAGE = {0.0, 1.0};
    shades.OPTION = {{1.0, 0.5, 0.0, 0.0}};
    const std::string dot = STORY_MAP_DOT(report(), &shades);
    EXPECT_NE(statement(dot, "p1 [").find("fillcolor=\"#e4572e\""), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p0 [").find("fillcolor=\"#ffffff\""), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p0 -> p1 [").find("penwidth=5"), std::string::npos) << dot;
    EXPECT_NE(statement(dot, "p0 -> p2 [").find("penwidth=3"), std::string::npos) << dot;
    // Pages and options past the vectors' ends are not shaded.
    EXPECT_NE(statement(dot, "p3 [").find("fillcolor=\"#ffffff\""), std::string::npos) << dot;
    EXPECT_EQ(statement(dot, "p3 -> p0 [").find("penwidth"), std::string::npos) << dot;
}

TEST_F(StoryMap, GraphvizLaysItOutOrSaysWhyNot) {
    std::string svg, error;
    ASSERT_TRUE(DOT_TO_SVG(STORY_MAP_DOT(report()), svg, error)) << error;
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("0: Start"), std::string::npos);
    EXPECT_FALSE(DOT_TO_SVG("digraph { a -> }", svg, error));
    EXPECT_NE(error.find("dot failed"), std::string::npos) << error;
    EXPECT_TRUE(svg.empty());
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(DOT_TO_SVG("digraph { a }", svg, error));
    setenv("PATH", path.c_str(), 1);
    EXPECT_NE(error.find("install the graphviz package"), std::string::npos) << error;
}
}  // namespace
