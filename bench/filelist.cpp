// The file list commands at scale: opening a project of 10,000 rows, saving it, and adding 1,000
// files chosen in one dialog, all through the command logic over the system's file system.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "filelist/file_list_commands.h"
#include "filelist/project_file.h"
#include "tests/ui/fake_ui.h"

namespace {

using namespace std::string_literals;

// Temporary folder for the benchmark's files, removed at exit.
struct Scratch {
    std::string dir;
    std::vector<std::string> files;
    Scratch() {
        char tmpl[] = "/tmp/vfs_bench_filelist_XXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        dir = tmpl;
    }
    ~Scratch() {
        for (const auto& f : files) std::remove(f.c_str());
        ::rmdir(dir.c_str());
    }
    std::string add(const std::string& name, const std::string& bytes) {
        const std::string p = dir + "/" + name;
        std::ofstream(p, std::ios::binary) << bytes;
        files.push_back(p);
        return p;
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

// The dialog and the splitter speak Windows paths; this passes them on with "/" separators.
class SlashFileSystem final : public ui::FileSystem {
public:
    core::Result<ui::FileInfo> fileInfo(std::string_view path) override {
        return ui::nativeFileSystem().fileInfo(fix(path));
    }
    core::Result<std::string> readFile(std::string_view path, std::size_t maxBytes) override {
        return ui::nativeFileSystem().readFile(fix(path), maxBytes);
    }
    core::Status replaceFile(std::string_view path, std::string_view bytes) override {
        return ui::nativeFileSystem().replaceFile(fix(path), bytes);
    }

private:
    static std::string fix(std::string_view path) {
        std::string p(path);
        for (char& c : p) {
            if (c == '\\') c = '/';
        }
        return p;
    }
};

std::vector<filelist::Row> sampleRows(std::size_t n) {
    std::vector<filelist::Row> rows;
    rows.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        rows.emplace_back("C:\\Documents and Settings\\user\\My Documents\\Movies\\movie number " +
                              std::to_string(i) + ".swf",
                          std::to_string(100000 + i * 37), "07-03-2006", i % 3 ? "" : "OK");
    }
    return rows;
}

void BM_OpenProject10000Rows(benchmark::State& state) {
    const filelist::ProjectBytes content =
        filelist::writeProject(sampleRows(10000), filelist::systemCodePage());
    const std::string path = scratch().add("big.Kvx", content.bytes);
    for (auto _ : state) {
        filelist::MovieList list;
        ui::testing::FakeUi ui;
        ui::FileDialogSettings dialog;
        filelist::FileListCommands commands(list, ui, ui::nativeFileSystem(),
                                            filelist::systemCodePage(), dialog);
        ui.confirmNext(path);
        commands.openProject();
        if (list.count() != 10000) state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(list.rows().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.bytes.size()));
}
BENCHMARK(BM_OpenProject10000Rows)->Unit(benchmark::kMillisecond);

void BM_SaveProject10000Rows(benchmark::State& state) {
    filelist::MovieList list;
    list.append(sampleRows(10000));
    const std::string path = scratch().dir + "/saved.Kvx";
    scratch().files.push_back(path);
    for (auto _ : state) {
        ui::testing::FakeUi ui;
        ui::FileDialogSettings dialog;
        filelist::FileListCommands commands(list, ui, ui::nativeFileSystem(),
                                            filelist::systemCodePage(), dialog);
        ui.confirmNext(path);
        commands.saveProject();
        if (!ui.messages.empty()) state.SkipWithError(ui.messages[0].text.c_str());
    }
}
BENCHMARK(BM_SaveProject10000Rows)->Unit(benchmark::kMillisecond);

void BM_AddFiles1000(benchmark::State& state) {
    std::string selection = scratch().dir;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "clip " + std::to_string(i) + ".swf";
        scratch().add(name, std::string(static_cast<std::size_t>(i), 'F'));
        selection += '\0';
        selection += name;
    }
    SlashFileSystem fs;
    for (auto _ : state) {
        filelist::MovieList list;
        ui::testing::FakeUi ui;
        ui::FileDialogSettings dialog;
        filelist::FileListCommands commands(list, ui, fs, filelist::systemCodePage(), dialog);
        ui.confirmNext(selection, scratch().dir);
        commands.addFiles();
        if (list.count() != 1000 || list.cell(1000, filelist::Column::Byte) != "999") {
            state.SkipWithError("rows missing");
        }
    }
}
BENCHMARK(BM_AddFiles1000)->Unit(benchmark::kMillisecond);

// What a virtual list view asks while it paints one screen of 30 rows anywhere in the list.
void BM_PaintScreenOf10000Rows(benchmark::State& state) {
    filelist::MovieList list;
    list.append(sampleRows(10000));
    std::size_t top = 1;
    for (auto _ : state) {
        std::size_t chars = 0;
        for (std::size_t r = top; r < top + 30; ++r) {
            for (std::size_t c = 0; c < filelist::kColumnCount; ++c) {
                chars += list.cell(r, static_cast<filelist::Column>(c)).size();
            }
        }
        benchmark::DoNotOptimize(chars);
        top = (top + 997) % 9970 + 1;
    }
}
BENCHMARK(BM_PaintScreenOf10000Rows);

}  // namespace

BENCHMARK_MAIN();
