// Dependencies point one way: no module (a .cpp and its .h) reaches itself
// through the includes of the library, the engine and the programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
const fs::path ROOT = std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".";

std::string module_of(const fs::path& file) {
    return fs::relative(file, ROOT).replace_extension().generic_string();
}

std::map<std::string, std::set<std::string>> module_graph() {
    const std::vector<fs::path> include_dirs = {ROOT / "Core/Code", ROOT / "Brindle/Code", ROOT / "Brindle/Analysis"};
    const std::regex include_line(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::map<std::string, std::set<std::string>> graph;
    for (const char* dir : {"Core/Code", "Brindle", "Demo/Code", "SeamlessTile"}) {
        if (!fs::exists(ROOT / dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(ROOT / dir)) {
            const fs::path file = entry.path();
            if (file.extension() != ".cpp" && file.extension() != ".h") continue;
            const std::string from = module_of(file);
            graph[from];
            std::ifstream in(file);
            std::smatch m;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, m, include_line)) continue;
                std::vector<fs::path> candidates = {file.parent_path() / m[1].str()};
                for (const fs::path& d : include_dirs) candidates.push_back(d / m[1].str());
                for (const fs::path& c : candidates)
                    if (fs::exists(c)) {
                        const std::string to = module_of(fs::canonical(c));
                        if (to != from) graph[from].insert(to);
                        break;
                    }
            }
        }
    }
    return graph;
}

// A cycle as "a -> b -> a", or "" when there is none.
std::string find_cycle(const std::map<std::string, std::set<std::string>>& graph) {
    std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
    std::vector<std::string> path;
    std::string cycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& m) {
        state[m] = 1;
        path.push_back(m);
        for (const std::string& next : graph.at(m)) {
            if (state[next] == 1) {
                for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it) cycle += *it + " -> ";
                cycle += next;
                return true;
            }
            if (state[next] == 0 && graph.count(next) && visit(next)) return true;
        }
        path.pop_back();
        state[m] = 2;
        return false;
    };
    for (const auto& [m, edges] : graph)
        if (state[m] == 0 && visit(m)) return cycle;
    return "";
}
}  // namespace

TEST(IncludeGraph, HasNoCycle) {
    const auto graph = module_graph();
    ASSERT_GT(graph.size(), 30u) << "the sources were not found under " << ROOT;
    ASSERT_TRUE(graph.count("Core/Code/runtime"));
    EXPECT_EQ(find_cycle(graph), "");
    // The test can see one: a module that includes a module including it.
    auto looped = graph;
    looped["Core/Code/image"].insert("Core/Code/gfx/buffer_fill");
    EXPECT_NE(find_cycle(looped), "");
}
