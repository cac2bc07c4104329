// seamless-tile: makes pictures into tiles that repeat without a seam, with
// the core library's tile maker, from the command line.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "batch.h"
#include "options.h"
#include "picture_io.h"
#include "platform/file_write.h"
#include "platform/process.h"
#include "runtime.h"

namespace fs = std::filesystem;

namespace {
std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

std::string stem(const std::string& path) { return fs::path(path).stem().string(); }

// True when both paths name one existing file.
bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// True when two outputs, made or not yet, would be one file.
bool same_output(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && file_write_place(a) == file_write_place(b);
}
}  // namespace

int main(int argc, char** argv) {
    ROUTINE("Seamless Tile", "main");
    Options o;
    const int status = parse_options(argc, argv, o);
    if (status >= 0) return status;
    // Picture-sized blocks come and go several times per picture: keep them
    // in the heap for reuse rather than mapping fresh pages for each.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);

    TileSettings settings;
    settings.shape = o.shape == "diamond" ? MaskShape::diamond : o.shape == "square" ? MaskShape::square : MaskShape::radial;
    settings.blend = o.blend;
    settings.report = o.report;
    settings.cut = o.method == "cut";
    settings.feather = o.feather;
    MemoryBudget budget;
    settings.budget = &budget;
    settings.png.effort = o.small ? PngEffort::small : PngEffort::fast;
    if (!o.mask.empty()) {
        std::string why;
        settings.mask = read_mask(o.mask, why);
        if (!settings.mask) {
            report_failure(o.mask, why);
            process_exit(1);
        }
    }

    std::vector<TileTask> tasks;
    size_t refused = 0;
    if (o.out_dir.empty()) {
        TileTask task{o.files[0], o.files[1], o.preview, o.save_mask, {}};
        const fs::path beside = fs::path(o.files[1]).parent_path();
        std::map<std::string, std::string> taken;  // map output -> the map that makes it
        for (const std::string& m : o.maps) {
            bool normal = false;
            for (const std::string& n : o.normal_maps) normal = normal || n == m || n == file_name(m);
            const std::string out = (beside / (stem(m) + ".tile.png")).string();
            if (auto [it, fresh] = taken.emplace(out, m); !fresh) {
                report_failure(m, "would write " + out + ", as " + it->second + " does");
                process_exit(1);
            }
            task.maps.push_back({m, out, normal});
        }
        tasks.push_back(task);
    } else {
        if (std::string error; !dir_make(o.out_dir, error)) {
            std::fprintf(stderr, "seamless-tile: %s\n", error.c_str());
            process_exit(1);
        }
        std::map<std::string, std::string> taken;  // output name -> the input that makes it
        for (const std::string& in : o.files) {
            const std::string name = file_name(in), preview = o.previews ? stem(in) + ".preview.png" : "";
            std::string why;
            if (name.empty()) why = "not a file name";
            for (const std::string& made : {name, preview})
                if (why.empty() && !made.empty())
                    if (auto it = taken.find(made); it != taken.end())
                        why = "would write " + (fs::path(o.out_dir) / made).string() + ", as " + it->second + " does";
            if (why.empty()) {
                taken.emplace(name, in);
                if (!preview.empty()) taken.emplace(preview, in);
                tasks.push_back({in, (fs::path(o.out_dir) / name).string(),
                                 preview.empty() ? "" : (fs::path(o.out_dir) / preview).string(), "", {}});
                continue;
            }
            report_failure(in, why);
            ++refused;
        }
    }
    // A tile never replaces a picture it is made from (the mask among them),
    // and no two of its outputs share a file, where the last would win.
    std::vector<TileTask> runnable;
    for (const TileTask& t : tasks) {
        std::vector<std::string> ins{t.input};
        if (!o.mask.empty()) ins.push_back(o.mask);
        std::vector<std::pair<std::string, std::string>> outs{
            {t.output, "the tile"}, {t.preview, "the preview"}, {t.save_mask, "the mask"}};
        for (const MapTask& m : t.maps) ins.push_back(m.input), outs.push_back({m.output, "the tile of " + m.input});
        std::string clash;
        for (const std::string& in : ins)
            for (const auto& out : outs)
                if (clash.empty() && same_file(in, out.first))
                    clash = out.first + " would replace a picture the tile is made from";
        for (size_t i = 0; i < outs.size(); ++i)
            for (size_t j = i + 1; j < outs.size(); ++j)
                if (clash.empty() && same_output(outs[i].first, outs[j].first))
                    clash = outs[i].second + " and " + outs[j].second + " would both be written to " + outs[j].first;
        if (!clash.empty()) {
            report_failure(t.input, clash);
            ++refused;
        } else {
            runnable.push_back(t);
        }
    }

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    unsigned jobs = o.jobs ? o.jobs : cores;
    // One picture: its PNG encoding shares the cores. Several: the pictures do.
    settings.png.threads = o.out_dir.empty() ? cores : 1;
    if (o.out_dir.empty()) jobs = 1;
    std::vector<std::string> reports;
    const size_t failed = run_batch(runnable, settings, jobs, !o.out_dir.empty() && ::isatty(STDERR_FILENO), reports);
    for (const std::string& line : reports)
        if (!line.empty()) std::printf("%s\n", line.c_str());
    image_destroy(settings.mask);
    process_exit(failed + refused ? 1 : 0);
}
