// CGifreelCtrl: the banner control. Shows one GIF banner at a time centred
// in its window, plays its animation, rotates through the banner list on a
// timer, pauses while the pointer rests on the banner and raises Click.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gif_image.h"
#include "win32/control.h"

extern const CLSID CLSID_GifreelPropPage;

struct BannerEntry {
    std::wstring fileName;
    std::wstring itemData;
};

class CGifreelCtrl final : public win::Control {
public:
    enum : UINT_PTR { TIMER_FRAME = 100, TIMER_ROTATE = 200, TIMER_RESUME = 300 };

    explicit CGifreelCtrl(IUnknown* outer);
    static HRESULT create(IUnknown* outer, REFIID iid, void** out);
    static const win::ControlClass kClass;

protected:
    void onDraw(HDC dc, const RECT& bounds) override;
    HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void onWindowDestroying() override;

private:
    long addGif(const std::wstring& fileName, const std::wstring& data);
    void switchTo(std::size_t index);
    void nextBanner();
    void composeFrame(HDC target, const RECT& bounds);
    void composeIntoWindow();
    void frameImage(HDC dc, COLORREF colour);
    void pause();
    void resume();
    void onTimer(UINT_PTR id);
    void onMouseMove(POINT p);
    void startTimer(UINT_PTR id, long milliseconds);
    void killTimer(UINT_PTR id);
    void aboutBox();

    std::size_t frameIndex_ = 0;
    GifImage image_;
    std::vector<BannerEntry> banners_;
    std::size_t bannerIndex_ = 0;
    long lastSwitchTime_ = 0;  // whole seconds
    long remainingTime_ = 0;   // milliseconds
    bool paused_ = false;
    RECT imageRect_{0, 0, 0, 0};
    bool cycleComplete_ = false;
    long bannerInterval_ = 7000;
    std::wstring currentItemData_;
    long palette_ = 0;
    bool buttonDown_ = false;
};
