#include "story_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine.h"
#include "key_names.h"
#include "platform/run_program.h"

namespace {
using json = nlohmann::ordered_json;

struct MapOption {
    int32_t SLOT = 0;
    STORY_OPTION_TYPE O;
    bool PRESSABLE = false;    // some key press gives its key
    bool DEST_EXISTS = false;  // its destination has a page file
    REACH_VERDICT TAKEN = REACH_NO;
};

struct MapPage {
    int32_t PAGE = 0;
    std::string TITLE, FILE;
    REACH_VERDICT REACHABLE = REACH_NO;
    bool DEAD_END = false;
    std::vector<MapOption> OPTIONS;
};

bool page_has_file(int32_t p) {
    return PAGE_HAS_FILE(STORY_PAGES(), p);
}

// What the loader read, with the checker's findings beside it.
std::vector<MapPage> read_map(const CHECK_REPORT& report) {
    std::vector<MapPage> map;
    if (!report.PROBLEM.empty()) return map;
    STORY_OPEN(report.FOLDER, STORY_LOGIC, true);
    std::map<int64_t, std::string> file_of;  // the file listed last wins, as in the loader
    for (const PAGE_SOURCE& s : STORY_SOURCES())
        if (s.REFUSED.empty()) file_of[s.INDEX] = STORY_FILE(report.FOLDER, "Brindle/Assets/Pages/" + s.NAME + ".seq");
    for (int32_t p = 0; p <= STORY_PAGES().ubound(); ++p) {
        if (!page_has_file(p)) continue;
        const STORY_PAGE_TYPE& page = STORY_PAGES()(p);
        MapPage m;
        m.PAGE = p;
        m.TITLE = page.CAPTION;
        m.FILE = file_of[p];
        if (size_t(p) < report.REACH.PAGES.size()) m.REACHABLE = report.REACH.PAGES[size_t(p)].REACHABLE;
        for (const DIAGNOSTIC& d : report.DIAGNOSTICS) m.DEAD_END |= d.NAME == "dead-end" && d.PAGE == p;
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
            // A slot the author left empty is no option.
            if (o.KEY.empty() && o.CAPTION.empty() && o.DEST == 0 && o.REQ == 0) continue;
            MapOption mo;
            mo.SLOT = slot;
            mo.O = o;
            mo.PRESSABLE = !PRESSED_KEY(o.KEY).empty();
            mo.DEST_EXISTS = page_has_file(o.DEST);
            if (size_t(p) < report.REACH.OPTIONS.size()) mo.TAKEN = report.REACH.OPTIONS[size_t(p)][size_t(slot - 1)].TAKEN;
            m.OPTIONS.push_back(mo);
        }
        map.push_back(m);
    }
    STORY_CLOSE();
    return map;
}

std::string condition_text(int32_t req) {
    if (req > 0) return "if " + std::to_string(req) + " played";
    if (req < 0) return "unless " + std::to_string(-int64_t(req)) + " played";
    return "";
}

std::string key_label(const MapOption& o) {
    if (o.O.KEY.empty()) return "(no key)";
    return KEY_NAME(o.O.KEY);
}

// Words wrapped to lines of at most `width` characters (a longer word stands alone).
std::vector<std::string> wrap(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string word, line;
    while (in >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Story text made safe for a label: UTF-8, no control characters.
std::string clean(const std::string& s) {
    std::string t = JSON_TEXT(s);
    for (char& c : t)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    return t;
}

std::string dot_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// Lines joined as one DOT string, each line centred.
std::string dot_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += (out.empty() ? "" : "\\n") + dot_escape(l);
    return "\"" + out + "\"";
}

std::string node_id(int32_t p) { return "p" + std::to_string(p); }

std::vector<std::string> title_lines(const MapPage& m) {
    std::vector<std::string> lines = wrap(std::to_string(m.PAGE) + ": " + clean(m.TITLE), 22);
    if (lines.empty()) lines.push_back(std::to_string(m.PAGE));
    return lines;
}

std::vector<std::string> option_lines(const MapOption& o) {
    std::vector<std::string> lines;
    const std::string caption = clean(o.O.CAPTION);
    std::vector<std::string> words = wrap(key_label(o) + (caption.empty() ? " (not listed)" : ": " + caption), 24);
    lines.insert(lines.end(), words.begin(), words.end());
    if (o.O.REQ != 0) lines.push_back(condition_text(o.O.REQ));
    if (o.TAKEN == REACH_NO) lines.push_back("(never taken)");
    return lines;
}

// A colour between `cold` and `hot` (0xRRGGBB) at heat h.
std::string mix(uint32_t cold, uint32_t hot, double h) {
    h = std::isfinite(h) ? std::clamp(h, 0.0, 1.0) : 0.0;
    char buf[8];
    uint32_t c = 0;
    for (int sh = 0; sh < 24; sh += 8) {
        const double a = (cold >> sh) & 0xFF, b = (hot >> sh) & 0xFF;
        c |= uint32_t(std::lround(a + (b - a) * h)) << sh;
    }
    std::snprintf(buf, sizeof buf, "#%06x", c);
    return buf;
}

double shade_of(const std::vector<double>& v, int32_t i) { return size_t(i) < v.size() ? v[size_t(i)] : 0.0; }

constexpr uint32_t HEAT = 0xE4572E;
const char* const FONT = "DejaVu Sans";
}  // namespace

std::string STORY_MAP_DOT(const CHECK_REPORT& report, const MAP_SHADES* shades) {
    const std::vector<MapPage> map = read_map(report);
    const bool shaded = shades && (!shades->PAGE.empty() || !shades->OPTION.empty());
    std::ostringstream dot;
    dot << "digraph story {\n";
    dot << "  graph [rankdir=TB, pad=0.2, nodesep=0.35, ranksep=0.55, fontname=\"" << FONT << "\", fontsize=12];\n";
    dot << "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#ffffff\", color=\"#444444\", fontname=\"" << FONT
        << "\", fontsize=11, margin=\"0.12,0.06\"];\n";
    dot << "  edge [color=\"#555555\", fontname=\"" << FONT << "\", fontsize=9, fontcolor=\"#333333\", arrowsize=0.7];\n";
    std::map<int32_t, bool> missing;
    for (const MapPage& m : map) {
        std::vector<std::string> lines = title_lines(m);
        std::string style = "rounded,filled", extra;
        std::string fill = shaded ? mix(0xFFFFFF, HEAT, shade_of(shades->PAGE, m.PAGE)) : "#ffffff";
        if (m.PAGE == 0) extra += ", penwidth=2.2";
        if (m.REACHABLE == REACH_NO) {
            lines.push_back("(no reader reaches it)");
            style += ",dashed";
            extra += ", color=\"#8a8f94\", fontcolor=\"#6b7075\"";
            if (!shaded) fill = "#eeeeee";
        } else if (m.REACHABLE == REACH_UNDECIDED) {
            lines.push_back("(reach not decided)");
            style += ",dashed";
        }
        if (m.DEAD_END) {
            lines.push_back("(dead end)");
            extra += ", color=\"#c0392b\", peripheries=2";
        }
        dot << "  " << node_id(m.PAGE) << " [label=" << dot_lines(lines) << ", style=\"" << style << "\", fillcolor=\""
            << fill << "\"" << extra << "];\n";
        for (const MapOption& o : m.OPTIONS)
            if (!o.DEST_EXISTS) missing[o.O.DEST] = true;
    }
    for (const auto& [dest, unused] : missing)
        dot << "  missing" << (dest < 0 ? "_" + std::to_string(-int64_t(dest)) : std::to_string(dest))
            << " [label=\"no page " << dest
            << "\", shape=box, style=\"dashed\", color=\"#c0392b\", fontcolor=\"#c0392b\"];\n";
    if (!map.empty() && map.front().PAGE == 0) dot << "  { rank=source; p0; }\n";
    for (const MapPage& m : map)
        for (const MapOption& o : m.OPTIONS) {
            const std::string to = o.DEST_EXISTS ? node_id(o.O.DEST)
                                                 : "missing" + (o.O.DEST < 0 ? "_" + std::to_string(-int64_t(o.O.DEST))
                                                                             : std::to_string(o.O.DEST));
            dot << "  " << node_id(m.PAGE) << " -> " << to << " [label=" << dot_lines(option_lines(o));
            std::vector<std::string> styles;
            if (o.O.REQ != 0) styles.push_back("dashed");
            if (!o.PRESSABLE || o.TAKEN == REACH_NO) styles.push_back("dotted");
            if (!styles.empty()) dot << ", style=\"" << styles.back() << "\"";
            if (!o.PRESSABLE || o.TAKEN == REACH_NO) dot << ", color=\"#a0a5aa\", fontcolor=\"#8a8f94\"";
            if (!o.DEST_EXISTS) dot << ", color=\"#c0392b\"";
            if (shaded && size_t(m.PAGE) < shades->OPTION.size()) {
                const double h = shades->OPTION[size_t(m.PAGE)][size_t(o.SLOT - 1)];
                const double hc = std::isfinite(h) ? std::clamp(h, 0.0, 1.0) : 0.0;
                dot << ", penwidth=" << 1.0 + 4.0 * hc << ", color=\"" << mix(0x555555, HEAT, hc) << "\"";
            }
            dot << "];\n";
        }
    dot << "}\n";
    return dot.str();
}

bool DOT_TO_SVG(const std::string& dot, std::string& svg, std::string& error) {
    std::string err;
    const int status = run_program({"dot", "-Tsvg"}, dot, svg, err);
    if (status == 0) return true;
    svg.clear();
    if (status < 0)
        error = err + " (Graphviz's dot command lays out the map: install the graphviz package)";
    else {
        while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
        error = "dot failed (status " + std::to_string(status) + ")" + (err.empty() ? "" : ": " + err);
    }
    return false;
}

std::string STORY_MAP_MERMAID(const CHECK_REPORT& report) {
    const std::vector<MapPage> map = read_map(report);
    // Inside a quoted Mermaid label: entities for what would end or mark it up.
    auto text = [](const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& l : lines) {
            if (!out.empty()) out += "<br/>";
            for (char c : l) {
                if (c == '"') out += "#quot;";
                else if (c == '<') out += "#lt;";
                else if (c == '>') out += "#gt;";
                else if (c == '#') out += "#35;";
                else out += c;
            }
        }
        return "\"" + out + "\"";
    };
    std::ostringstream out;
    out << "flowchart TD\n";
    std::map<int32_t, bool> missing;
    for (const MapPage& m : map) {
        out << "  " << node_id(m.PAGE) << "[" << text(title_lines(m)) << "]\n";
        for (const MapOption& o : m.OPTIONS)
            if (!o.DEST_EXISTS) missing[o.O.DEST] = true;
    }
    auto missing_id = [](int32_t dest) {
        return "missing" + (dest < 0 ? "_" + std::to_string(-int64_t(dest)) : std::to_string(dest));
    };
    for (const auto& [dest, unused] : missing)
        out << "  " << missing_id(dest) << "[" << text({"no page " + std::to_string(dest)}) << "]\n";
    for (const MapPage& m : map)
        for (const MapOption& o : m.OPTIONS) {
            const char* arrow = o.O.REQ != 0 ? "-.->" : o.TAKEN == REACH_NO || !o.PRESSABLE ? "-.->" : "-->";
            out << "  " << node_id(m.PAGE) << " " << arrow << "|" << text(option_lines(o)) << "| "
                << (o.DEST_EXISTS ? node_id(o.O.DEST) : missing_id(o.O.DEST)) << "\n";
        }
    out << "  classDef unreachable fill:#eeeeee,stroke:#8a8f94,stroke-dasharray:4 3,color:#6b7075\n";
    out << "  classDef deadend stroke:#c0392b,stroke-width:3px\n";
    out << "  classDef missing stroke:#c0392b,stroke-dasharray:4 3,color:#c0392b\n";
    out << "  classDef start stroke-width:3px\n";
    std::vector<std::string> unreachable, dead;
    for (const MapPage& m : map) {
        if (m.REACHABLE == REACH_NO) unreachable.push_back(node_id(m.PAGE));
        if (m.DEAD_END) dead.push_back(node_id(m.PAGE));
    }
    auto cls = [&](const std::vector<std::string>& ids, const char* name) {
        if (ids.empty()) return;
        out << "  class ";
        for (size_t i = 0; i < ids.size(); ++i) out << (i ? "," : "") << ids[i];
        out << " " << name << "\n";
    };
    if (!map.empty() && map.front().PAGE == 0) cls({"p0"}, "start");
    cls(unreachable, "unreachable");
    cls(dead, "deadend");
    std::vector<std::string> gone;
    for (const auto& [dest, unused] : missing) gone.push_back(missing_id(dest));
    cls(gone, "missing");
    return out.str();
}

std::string STORY_MAP_JSON(const CHECK_REPORT& report) {
    const std::vector<MapPage> map = read_map(report);
    auto verdict = [](REACH_VERDICT v) { return v == REACH_UNDECIDED ? json(nullptr) : json(v == REACH_YES); };
    json out;
    out["story"] = report.FOLDER;
    out["start"] = 0;
    out["complete"] = report.REACH.COMPLETE;
    json pages = json::array();
    for (const MapPage& m : map) {
        json options = json::array();
        for (const MapOption& o : m.OPTIONS) {
            json condition = nullptr;
            if (o.O.REQ != 0)
                condition = {{"page", o.O.REQ > 0 ? int64_t(o.O.REQ) : -int64_t(o.O.REQ)}, {"played", o.O.REQ > 0}};
            options.push_back({{"slot", o.SLOT},
                               {"key", KEY_AS_TEXT(o.O.KEY)},
                               {"key_name", o.O.KEY.empty() ? json(nullptr) : json(KEY_NAME(o.O.KEY))},
                               {"to", o.O.DEST},
                               {"condition", condition},
                               {"caption", JSON_TEXT(o.O.CAPTION)},
                               {"listed", !o.O.CAPTION.empty()},
                               {"pressable", o.PRESSABLE},
                               {"destination_exists", o.DEST_EXISTS},
                               {"taken", verdict(o.TAKEN)}});
        }
        pages.push_back({{"page", m.PAGE},
                         {"title", JSON_TEXT(m.TITLE)},
                         {"file", m.FILE},
                         {"reachable", verdict(m.REACHABLE)},
                         {"dead_end", m.DEAD_END},
                         {"options", options}});
    }
    out["pages"] = pages;
    return JSON_DUMP(out) + "\n";
}
