#include "options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>

namespace {
constexpr const char* NAME = "seamless-tile";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for more information.\n", NAME, what.c_str(), NAME);
    return 2;
}
}  // namespace

int parse_options(int argc, char** argv, Options& o) {
    CLI::App app(
        "Makes pictures into tiles that repeat without a seam: each is joined with itself shifted by half\n"
        "its size, through a mask that is 0 on the border and 255 inside, by a cross-fade (blend) or along\n"
        "the path where the two differ least (cut).\n\n"
        "  seamless-tile [OPTIONS] IN.png OUT.png\n"
        "  seamless-tile [OPTIONS] -o OUTDIR IN.png...",
        NAME);
    app.set_version_flag("--version", std::string(NAME) + " 1.0");
    app.add_option("files", o.files, "IN.png OUT.png, or with -o the pictures to make tiles of")->required();
    app.add_option("-o,--out-dir", o.out_dir, "Make a tile of every input, written as OUTDIR/<input's name>");
    auto* mask = app.add_option("--mask", o.mask, "A grey mask picture (white keeps the picture, black takes the "
                                                  "shifted copy), stretched to each picture");
    auto* shape = app.add_option("--mask-shape", o.shape, "The generated mask's shape (default radial)")
                      ->check(CLI::IsMember({"radial", "diamond", "square"}));
    auto* blend = app.add_option("--blend", o.blend, "Width of the generated mask's soft border, a fraction of the "
                                                     "side: 0 < W <= 0.5 (default 0.25)")
                      ->check(CLI::Validator(
                          [](std::string& s) -> std::string {
                              double v = 0;
                              try {
                                  size_t used = 0;
                                  v = std::stod(s, &used);
                                  if (used != s.size()) return "not a number: " + s;
                              } catch (...) {
                                  return "not a number: " + s;
                              }
                              return v > 0 && v <= 0.5 ? "" : "must be above 0 and at most 0.5";
                          },
                          "0 < W <= 0.5"));
    mask->excludes(shape)->excludes(blend);
    app.add_option("--preview", o.preview, "Also write a 3 x 3 repeat of the tile (one input)");
    app.add_flag("--previews", o.previews, "With -o: also write OUTDIR/<name>.preview.png for each input");
    app.add_option("--save-mask", o.save_mask, "Also write the weights used (the mask, or with --method cut the "
                                               "cut), at the picture's size, as a grey PNG (one input)");
    app.add_flag("--report", o.report, "Print each picture's seam score, before and after, the share of exact copies, "
                                       "and the contrast and detail kept");
    app.add_option("-j,--jobs", o.jobs, "With -o: pictures made at once (default: one per core)")
        ->check(CLI::Range(1u, 256u));
    app.add_option("--method", o.method, "blend: cross-fade through the mask (default); cut: switch from the shifted "
                                         "copy to the picture along the path where they differ least")
        ->check(CLI::IsMember({"blend", "cut"}));
    auto* feather = app.add_option("--feather", o.feather, "With --method cut: pixels either side of the path that "
                                                           "mix the two (default 2; 0: a hard cut)")
                        ->check(CLI::Range(0, 64));
    app.add_option("--maps", o.maps, "More maps of the same material (normal, height...), each made into a tile "
                                     "with the same seam and written as <map name>.tile.png beside OUT (one input)")
        ->delimiter(',')
        ->allow_extra_args(false);
    app.add_option("--normal-map", o.normal_maps, "One of the --maps (as given, or its file name) that holds normal "
                                                  "vectors: its mixed pixels are made unit length again")
        ->allow_extra_args(false);
    app.add_flag("--small", o.small, "Compress the PNG files harder: smaller files, several times slower");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usage_error(e.what());
    }
    if (feather->count() > 0 && o.method != "cut") return usage_error("--feather goes with --method cut");
    for (const std::string& name : o.normal_maps) {
        bool found = false;
        for (const std::string& m : o.maps) found = found || m == name || std::filesystem::path(m).filename() == name;
        if (!found) return usage_error("--normal-map " + name + " is not one of the --maps");
    }
    if (o.out_dir.empty()) {
        if (o.files.size() != 2) return usage_error("give IN.png OUT.png, or -o OUTDIR and the pictures");
        if (o.previews) return usage_error("--previews goes with -o; for one tile use --preview FILE");
    } else {
        if (!o.preview.empty()) return usage_error("--preview names one file; with -o use --previews");
        if (!o.save_mask.empty()) return usage_error("--save-mask is for one input, not with -o");
        if (!o.maps.empty()) return usage_error("--maps go with one input, not with -o");
    }
    return -1;
}
