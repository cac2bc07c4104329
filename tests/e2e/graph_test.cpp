// brindle-story graph on the sample story, with Graphviz's own dot command:
// the DOT is accepted, and in the layout no two labels overlap, every label
// lies inside the drawing and the start page is at the top.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string graph(const std::string& args, int& status) {
    std::string out;
    status = shell("", (bin_dir() / "brindle-story").string() + " graph '" + source_dir().string() + "' " + args, &out);
    return out;
}

struct Box {
    std::string owner;
    double x0, y0, x1, y1;
};

// Every text Graphviz placed, as a box: its drawn width, and the font size
// for its height.
void text_boxes(const nlohmann::json& object, const std::string& owner, std::vector<Box>& boxes) {
    if (!object.contains("_ldraw_")) return;
    double size = 14;
    for (const auto& op : object["_ldraw_"]) {
        if (op["op"] == "F") size = op["size"].get<double>();
        if (op["op"] != "T") continue;
        const double x = op["pt"][0], y = op["pt"][1], w = op["width"];
        const std::string align = op["align"];
        const double left = align == "c" ? x - w / 2 : align == "l" ? x : x - w;
        boxes.push_back({owner, left, y - 0.25 * size, left + w, y + 0.75 * size});
    }
}
}  // namespace

TEST(Graph, TheSampleMapIsAcceptedAndReadable) {
    int status = 0;
    const std::string dot = graph("", status);
    ASSERT_EQ(status, 0) << dot;
    const fs::path dir = temp_dir("graph");
    std::ofstream(dir / "map.dot") << dot;
    std::string svg, layout;
    EXPECT_EQ(shell("", "dot -Tsvg '" + (dir / "map.dot").string() + "'", &svg), 0);
    EXPECT_NE(svg.find("0: The Crossroads"), std::string::npos);
    // The SVG form is that same layout.
    EXPECT_EQ(graph("--format svg", status), svg);

    ASSERT_EQ(shell("", "dot -Tjson '" + (dir / "map.dot").string() + "'", &layout), 0);
    const nlohmann::json g = nlohmann::json::parse(layout);
    std::vector<Box> boxes;
    double top_y = -1, start_y = -1;
    for (const auto& node : g["objects"]) {
        if (!node.contains("pos")) continue;  // the subgraph that holds the start page on top
        text_boxes(node, node["name"], boxes);
        const double y = std::stod(node["pos"].get<std::string>().substr(node["pos"].get<std::string>().find(',') + 1));
        top_y = std::max(top_y, y);
        if (node["name"] == "p0") start_y = y;
    }
    for (const auto& edge : g["edges"]) text_boxes(edge, "edge " + std::to_string(edge["_gvid"].get<int>()), boxes);
    EXPECT_GT(boxes.size(), 70u);  // 23 pages and 48 options
    EXPECT_EQ(start_y, top_y) << "the start page is not at the top";
    double bb[4];
    std::sscanf(g["bb"].get<std::string>().c_str(), "%lf,%lf,%lf,%lf", &bb[0], &bb[1], &bb[2], &bb[3]);
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& a = boxes[i];
        EXPECT_TRUE(a.x0 >= bb[0] && a.x1 <= bb[2] && a.y0 >= bb[1] && a.y1 <= bb[3]) << a.owner << " outside the drawing";
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& b = boxes[j];
            if (a.owner == b.owner) continue;
            EXPECT_FALSE(a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1) << a.owner << " overlaps " << b.owner;
        }
    }
    fs::remove_all(dir);
}

TEST(Graph, FormatsFilesAndErrors) {
    const fs::path dir = temp_dir("graph-files");
    int status = 0;
    // The format follows the file's extension unless --format names one.
    graph("-o '" + (dir / "map.json").string() + "'", status);
    EXPECT_EQ(status, 0);
    const nlohmann::json map = nlohmann::json::parse(std::ifstream(dir / "map.json"));
    EXPECT_EQ(map["pages"].size(), 23u);
    graph("-o '" + (dir / "map.mmd").string() + "'", status);
    EXPECT_EQ(status, 0);
    std::ifstream mmd(dir / "map.mmd");
    std::string first;
    std::getline(mmd, first);
    EXPECT_EQ(first, "flowchart TD");
    EXPECT_NE(graph("--format mermaid", status).find("p0 -->|\"n: North to the village\"| p1"), std::string::npos);
    graph("--format svg -o '" + (dir / "no-such-folder" / "map.svg").string() + "' 2>&1", status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(graph("--format png 2>&1", status).find("png"), std::string::npos);
    EXPECT_EQ(status, 2);
    std::string err;
    EXPECT_EQ(shell("", (bin_dir() / "brindle-story").string() + " graph '" + (dir / "none").string() + "' 2>&1", &err), 2);
    EXPECT_NE(err.find("no story in"), std::string::npos) << err;
    fs::remove_all(dir);
}
