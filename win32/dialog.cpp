#include "dialog.h"

namespace win {

Dialog::~Dialog() {
    if (hwnd_ && !modal_) {
        ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        ::DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::runModal(HINSTANCE instance, int templateId, HWND owner) {
    modal_ = true;
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Dialog::dialogProc,
                             reinterpret_cast<LPARAM>(this));
}

HWND Dialog::createModeless(HINSTANCE instance, int templateId, HWND owner) {
    modal_ = false;
    return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Dialog::dialogProc,
                                reinterpret_cast<LPARAM>(this));
}

void Dialog::end(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        ::DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Dialog*>(lp);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    }
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    try {
        return self->handle(msg, wp, lp);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Dialog::handle(UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR result = 0;
    switch (msg) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_COMMAND:
            if (onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                end(LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            LRESULT r = 0;
            if (!onNotify(reinterpret_cast<NMHDR*>(lp), &r)) return FALSE;
            ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
            return TRUE;
        }
        case WM_DESTROY:
            onDestroy();
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
            hwnd_ = nullptr;
            return FALSE;
    }
    if (onMessage(msg, wp, lp, &result)) return result;
    return FALSE;
}

}  // namespace win
