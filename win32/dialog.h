// A dialog from a template resource, modal or modeless, whose messages go to
// virtual handlers of the owning object.
#pragma once
#include <windows.h>

namespace win {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog to its end; -1 when it cannot be created.
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND owner);
    // Creates the dialog and returns at once; nullptr on failure.
    HWND createModeless(HINSTANCE instance, int templateId, HWND owner);
    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return ::GetDlgItem(hwnd_, id); }
    // Ends a modal dialog, destroys a modeless one.
    void end(INT_PTR result);

protected:
    // Return FALSE when the focus was set here.
    virtual BOOL onInitDialog() { return TRUE; }
    // true: handled. IDOK and IDCANCEL end the dialog when not handled.
    virtual bool onCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    virtual bool onNotify(NMHDR* /*header*/, LRESULT* /*result*/) { return false; }
    // Any other message; true with *result set when handled.
    virtual bool onMessage(UINT /*msg*/, WPARAM, LPARAM, INT_PTR* /*result*/) { return false; }
    virtual void onDestroy() {}

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR handle(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

}  // namespace win
