// The cost of one clipboard capture as the URL list grows, and of loading and
// saving a large URL.lst.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controls/button.h"
#include "controls/menu_item.h"
#include "platform/clipboard.h"
#include "platform/shell.h"
#include "urls/url_keeper.h"
#include "urls/url_list_file.h"

namespace pontavi {
namespace {

class MemoryClipboard final : public Clipboard {
  public:
    std::optional<std::string> text() const override { return text_; }
    void setText(const std::string& text) override {
        text_ = text;
        notifyChanged();
    }

  private:
    std::optional<std::string> text_;
};

class NoShell final : public Shell {
  public:
    bool openUrl(const std::string&) override { return false; }
    ShellLinkTarget ReadShellLink(const std::string&) override {
        throw ShortcutError(kLinkNotFound);
    }
    bool StartDesktopEntry(const std::string&) override { return false; }
};

class NoDialogs final : public Dialogs {
  public:
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> InputQuery(const std::string&, const std::string&,
                                          const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowErrorsReport(const Memo&, const Memo&) override {}
    void About() override {}
};

std::vector<std::string> makeRows(std::size_t count) {
    std::vector<std::string> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        rows.push_back("http://www.host" + std::to_string(i) + ".example.org/some/page.html");
    }
    return rows;
}

// The page with its controls and a keeper watching an in-memory clipboard.
struct Page {
    explicit Page(std::size_t rows, std::string file = "/nonexistent/URL.lst")
        : keeper({list, add, find, copy, view, remove, copy1, view1, remove1},
                 {clipboard, shell, dialogs, [] {}, {}}, std::move(file)) {
        list.setItems(makeRows(rows));
        keeper.setTextWidth({});
        keeper.start();
    }
    TMoreListBox list;
    Button add{"Button5", "&Add"}, find{"Button13", "&Find"}, copy{"Button11", "&Copy"},
        view{"Button12", "&View"}, remove{"Button10", "&Remove"};
    MenuItem copy1{"Copy1", "&Copy"}, view1{"View1", "&View"}, remove1{"Remove1", "&Remove"};
    MemoryClipboard clipboard;
    NoShell shell;
    NoDialogs dialogs;
    UrlKeeper keeper;
};

// A copied address already in the list: the duplicate test alone.
void BM_CaptureDuplicate(benchmark::State& state) {
    Page page(static_cast<std::size_t>(state.range(0)));
    const std::string text = "look at http://www.host7.example.org/some/page.html now";
    for (auto _ : state) {
        page.clipboard.setText(text);
    }
    if (page.list.Count() != static_cast<std::size_t>(state.range(0))) {
        state.SkipWithError("duplicate was added");
    }
}
BENCHMARK(BM_CaptureDuplicate)->Arg(1000)->Arg(100000);

// A new address each time: the duplicate test plus the insert at the top.
// The list is refilled outside the timing every 1,000 captures.
void BM_CaptureNew(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    Page page(rows);
    std::size_t n = 0;
    for (auto _ : state) {
        if (++n % 1000 == 0) {
            state.PauseTiming();
            page.list.setItems(makeRows(rows));
            page.keeper.setTextWidth({});
            state.ResumeTiming();
        }
        page.clipboard.setText("http://new" + std::to_string(n) + ".example.org/");
    }
}
BENCHMARK(BM_CaptureNew)->Arg(1000)->Arg(100000);

std::string benchFile() {
    return (std::filesystem::temp_directory_path() /
            ("pontavi-bench-" + std::to_string(::getpid()) + ".lst"))
        .string();
}

void BM_SaveList(benchmark::State& state) {
    const std::string name = benchFile();
    const auto rows = makeRows(static_cast<std::size_t>(state.range(0)));
    UrlListFile file(name);
    for (auto _ : state) {
        file.write(rows);
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_SaveList)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadList(benchmark::State& state) {
    const std::string name = benchFile();
    UrlListFile(name).write(makeRows(static_cast<std::size_t>(state.range(0))));
    Page page(0, name);
    for (auto _ : state) {
        page.keeper.load();
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_LoadList)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pontavi

BENCHMARK_MAIN();
