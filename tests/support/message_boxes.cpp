#include "message_boxes.h"

#include "test_support.h"

namespace {

int WINAPI RecordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    ShownMessages().push_back({owner ? "MessageBoxW with an owner" : "MessageBoxW", text, caption, style, SetupLog()});
    return IDOK;
}

}  // namespace

std::vector<ShownMessage>& ShownMessages() {
    static std::vector<ShownMessage> shown;
    return shown;
}

void RecordMessageBoxes() {
    ShownMessages().clear();
    api().MessageBoxW = RecordMessageBox;
}
