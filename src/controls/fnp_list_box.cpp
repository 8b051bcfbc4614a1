#include "controls/fnp_list_box.h"

namespace pontavi {

bool TFnpListBox::exchange(int from, int to) {
    if (from < 0 || to < 0 || static_cast<std::size_t>(to) >= Count()) {
        return false;
    }
    const auto a = static_cast<std::size_t>(from);
    const auto b = static_cast<std::size_t>(to);
    std::string moving = Item(a);
    setItem(a, Item(b));
    setItem(b, std::move(moving));
    setItemIndex(to);
    return true;
}

bool TFnpListBox::MoveUp() {
    return exchange(ItemIndex(), ItemIndex() - 1);
}

bool TFnpListBox::MoveDown() {
    return ItemIndex() >= 0 && exchange(ItemIndex(), ItemIndex() + 1);
}

bool TFnpListBox::DeleteSelected() {
    const int index = ItemIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= Count()) {
        return false;
    }
    remove(static_cast<std::size_t>(index));
    const int count = static_cast<int>(Count());
    setItemIndex(count == 0 ? -1 : (index < count ? index : count - 1));
    return true;
}

}  // namespace pontavi
