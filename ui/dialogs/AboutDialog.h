// The about box: embedded picture, version, one text line and a mail link.
#pragma once
#include "app/Handle.h"
#include "render/Graphics.h"
#include "ui/framework/Dialog.h"

// The label that opens a mail to the author: blue and underlined while the pointer
// is over it. Its own window procedure replaces the static control's while attached.
class MailLink {
public:
    MailLink() = default;
    ~MailLink() { Detach(); }
    MailLink(const MailLink&) = delete;
    MailLink& operator=(const MailLink&) = delete;

    // Takes over the label and makes the fonts of this opening.
    void Attach(HWND label);
    // Gives the label its own procedure back and deletes the link font.
    void Detach();

    bool Hovered() const { return hovered_; }
    // The label's own font (not owned) and the underlined copy (owned); null when detached.
    HFONT NormalFont() const { return normal_; }
    HFONT LinkFont() const { return link_.get(); }

    static const wchar_t* Address();

private:
    static constexpr UINT_PTR kPollTimer = 1;
    static LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();
    void Poll();
    void FitToText();

    HWND label_ = nullptr;
    WNDPROC previous_ = nullptr;
    HFONT normal_ = nullptr;
    UniqueGdi<HFONT> link_;
    bool hovered_ = false;
};

class AboutDialog : public Dialog {
public:
    // Loads the embedded picture; without it the picture area stays blank.
    AboutDialog();
    // Modal run of template 125.
    void Show(HWND owner);
    const MailLink& Link() const { return link_; }

protected:
    bool OnInitDialog(HWND focus, LPARAM initParam) override;
    void OnDrawItem(DRAWITEMSTRUCT* item) override;
    void OnDestroy() override;
    void OnOK() override { CloseDialog(); }
    void OnClose() override { CloseDialog(); }
    // Esc does not close the about box.
    void OnCancel() override {}

private:
    gfx::Bitmap picture_;
    bool hasPicture_ = false;
    MailLink link_;
};
