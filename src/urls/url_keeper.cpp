#include "urls/url_keeper.h"

#include <algorithm>
#include <vector>

#include "urls/openable_url.h"
#include "urls/url_capture.h"

namespace pontavi {
namespace {

constexpr int kMaxScrollWidth = 65535;
// Above this many rows, a removal rebuilds the list once instead of shifting
// the rows below each removed one.
constexpr std::size_t kOneByOneLimit = 16;

int defaultTextWidth(const std::string& text) {
    constexpr std::size_t kEnough = kMaxScrollWidth / 6;
    return static_cast<int>(std::min(text.size(), kEnough)) * 6 + 6;
}

}  // namespace

UrlKeeper::UrlKeeper(Controls controls, Services services, std::string urlFileName)
    : c_(controls), s_(std::move(services)), file_(std::move(urlFileName)) {
    if (!s_.textWidth) {
        s_.textWidth = defaultTextWidth;
    }
    wire();
    UpdateUrlButtons();
    remeasure();
    UpdateUrlLB();
}

UrlKeeper::~UrlKeeper() {
    stop();
    for (Button* b : {&c_.Button5, &c_.Button13, &c_.Button11, &c_.Button12, &c_.Button10}) {
        b->OnClick = nullptr;
    }
    for (MenuItem* m : {&c_.Copy1, &c_.View1, &c_.Remove1}) {
        m->OnClick = nullptr;
    }
    c_.UrlLB.OnClick = nullptr;
}

void UrlKeeper::wire() {
    c_.Button5.OnClick = [this] { Button5Click(); };
    c_.Button13.OnClick = [this] { Button13Click(); };
    c_.Button11.OnClick = [this] { Button11Click(); };
    c_.Button12.OnClick = [this] { Button12Click(); };
    c_.Button10.OnClick = [this] { Button10Click(); };
    c_.Copy1.OnClick = [this] { Button11Click(); };
    c_.View1.OnClick = [this] { Button12Click(); };
    c_.Remove1.OnClick = [this] { Button10Click(); };
    c_.UrlLB.OnClick = [this] { UrlLBClick(); };
}

void UrlKeeper::start() {
    s_.clipboard.OnChanged = [this] { WMDrawClipboard(); };
    watching_ = true;
    WMDrawClipboard();
}

void UrlKeeper::stop() {
    if (watching_) {
        s_.clipboard.OnChanged = nullptr;
        watching_ = false;
    }
}

void UrlKeeper::load() {
    if (!file_.exists()) {
        return;
    }
    try {
        c_.UrlLB.setItems(file_.read());
    } catch (const std::exception&) {
        fileUnread_ = true;
        throw;
    }
    remeasure();
    UpdateUrlLB();
}

void UrlKeeper::save() {
    if (fileUnread_) {
        if (!file_.exists()) {
            fileUnread_ = false;  // gone: nothing left to lose
        } else if (!joinUnreadFile()) {
            return;  // still unreadable: keep it whole, the rows stay in memory
        }
    }
    file_.write(c_.UrlLB.Items());
}

// The file that could not be read at start-up can be now: its rows come
// below the ones captured since, each once, so nothing of either is lost.
bool UrlKeeper::joinUnreadFile() {
    std::vector<std::string> stored;
    try {
        stored = file_.read();
    } catch (const std::exception&) {
        return false;
    }
    for (auto& row : stored) {
        if (!c_.UrlLB.HasRow(row)) {
            widest_.added(UrlTextWidth(row));
            c_.UrlLB.insert(c_.UrlLB.Count(), std::move(row));
        }
    }
    fileUnread_ = false;
    UpdateUrlLB();
    return true;
}

void UrlKeeper::WMDrawClipboard() {
    auto url = CaptureUrl(s_.clipboard.text().value_or(std::string()));
    if (url && !c_.UrlLB.HasRow(*url)) {
        insertTop(std::move(*url));
        UpdateUrlLB();
    }
}

void UrlKeeper::Button5Click() {
    auto answer = s_.dialogs.InputQuery("Add a URL", "Please type a URL", "").value_or("");
    if (!answer.empty()) {
        insertTop(std::move(answer));
        UpdateUrlLB();
    }
}

void UrlKeeper::Button13Click() {
    auto answer =
        s_.dialogs.InputQuery("Find URL", "Please type a part of the text to find", lastFindText_)
            .value_or("");
    if (answer.empty()) {
        return;
    }
    TMoreListBox& list = c_.UrlLB;
    int found = list.SelCount() == 0 ? list.FindText(answer) : list.FindNextText(answer);
    if (found < 0) {
        lastFindText_.clear();
        list.ClearSelection();
        return;
    }
    lastFindText_ = answer;
    if (list.ItemIndex() >= 0) {
        list.setSelected(static_cast<std::size_t>(list.ItemIndex()), false);
    }
    list.setSelected(static_cast<std::size_t>(found), true);
    list.setItemIndex(found);
    UpdateUrlButtons();
}

void UrlKeeper::Button11Click() {
    // Each put comes straight back through the capture and may add a row at
    // the top, so the texts are taken before the first put.
    std::vector<std::string> texts;
    for (std::size_t i : selectedRows()) {
        texts.push_back(c_.UrlLB.Item(i));
    }
    for (const auto& text : texts) {
        s_.clipboard.setText(text);
    }
}

void UrlKeeper::Button12Click() {
    auto selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    const std::string row = c_.UrlLB.Item(selected.front());
    auto url = OpenableUrl(row);
    if (!url) {
        s_.dialogs.ShowMessage("Only web and FTP addresses can be opened: " + row);
        return;
    }
    if (s_.hideOptions) {
        s_.hideOptions();
    }
    if (!s_.shell.openUrl(*url)) {
        s_.dialogs.ShowMessage("Cannot open " + *url);
    }
}

void UrlKeeper::Button10Click() {
    RemoveSelectedUrl();
}

void UrlKeeper::UpdateUrlButtons() {
    const bool any = c_.UrlLB.SelCount() > 0;
    for (Button* b : {&c_.Button11, &c_.Button12, &c_.Button10}) {
        b->setEnabled(any);
    }
    for (MenuItem* m : {&c_.Copy1, &c_.View1, &c_.Remove1}) {
        m->setEnabled(any);
    }
}

void UrlKeeper::UpdateUrlLB() {
    if (widest_.stale()) {
        remeasure();
    }
    c_.UrlLB.setScrollWidth(widest_.width());
}

void UrlKeeper::RemoveSelectedUrl() {
    auto selected = selectedRows();
    if (selected.empty()) {
        return;
    }
    if (selected.size() <= kOneByOneLimit) {
        removeRowsOneByOne(selected);
    } else {
        removeRowsByRebuild(selected);
    }
    UpdateUrlLB();
}

int UrlKeeper::UrlTextWidth(const std::string& text) const {
    return std::clamp(s_.textWidth(text), 0, kMaxScrollWidth);
}

void UrlKeeper::setTextWidth(std::function<int(const std::string&)> textWidth) {
    s_.textWidth = textWidth ? std::move(textWidth) : defaultTextWidth;
    remeasure();
    UpdateUrlLB();
}

void UrlKeeper::insertTop(std::string row) {
    widest_.added(UrlTextWidth(row));
    c_.UrlLB.insert(0, std::move(row));
}

// Bottom first, so the indexes of the rows still to go stay valid.
void UrlKeeper::removeRowsOneByOne(const std::vector<std::size_t>& selected) {
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        widest_.removed(UrlTextWidth(c_.UrlLB.Item(*it)));
        c_.UrlLB.remove(*it);
    }
}

void UrlKeeper::removeRowsByRebuild(const std::vector<std::size_t>& selected) {
    TMoreListBox& list = c_.UrlLB;
    std::vector<std::string> kept;
    kept.reserve(list.Count() - selected.size());
    int current = -1;
    auto next = selected.begin();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (next != selected.end() && *next == i) {
            ++next;
            continue;
        }
        if (static_cast<int>(i) == list.ItemIndex()) {
            current = static_cast<int>(kept.size());
        }
        kept.push_back(list.Item(i));
    }
    const int top = list.TopIndex();
    list.setItems(std::move(kept));
    list.setItemIndex(current);
    list.setTopIndex(std::min(top, std::max(0, static_cast<int>(list.Count()) - 1)));
    remeasure();
}

std::vector<std::size_t> UrlKeeper::selectedRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < c_.UrlLB.Count(); ++i) {
        if (c_.UrlLB.Selected(i)) {
            rows.push_back(i);
        }
    }
    return rows;
}

void UrlKeeper::remeasure() {
    widest_.clear();
    for (const auto& row : c_.UrlLB.Rows()) {
        widest_.added(UrlTextWidth(row));
    }
}

}  // namespace pontavi
