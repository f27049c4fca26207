#include "setup/setupdialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/iconbndl.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/statbox.h>

#include "setup/setuplogic.h"
#include "setup/voltari_icon.xpm"

namespace {

constexpr int kSaveId = 1;
constexpr int kAbortId = 2;

// The dialog template, in dialog units, in tab order.
enum class Kind { defaultButton, button, checkBox, groupBox };
struct ControlTemplate {
    int id;
    Kind kind;
    const char* text;
    int x, y, width, height;  // dialog units
};
const ControlTemplate kTemplate[] = {
    {kSaveId, Kind::defaultButton, "SAVE", 7, 103, 136, 14},
    {kAbortId, Kind::button, "Abort", 152, 103, 76, 14},
    {1000, Kind::checkBox, "Fullscreen", 15, 21, 56, 10},
    {1001, Kind::checkBox, "enable Joypads (make sure they are calibrated properly)", 15, 36, 197, 10},
    {1002, Kind::checkBox, "play Music", 15, 51, 56, 10},
    {1003, Kind::checkBox, "Speed 133% (game begins faster than normal)", 15, 66, 160, 10},
    {wxID_ANY, Kind::groupBox, "Startup Options", 7, 7, 215, 93},
    {1004, Kind::checkBox, "extremly hard bots (if evil bot is too weak for you)", 15, 81, 168, 10},
};
const wxSize kDialogSize(235, 125);  // dialog units, client area
// A check box whose text is wider than its template size in this font
// grows up to here (dialog units), the right edge of the widest box.
constexpr int kCheckBoxRightLimit = 212;

// Which option each check box shows.
struct Binding {
    int id;
    int SetupOptions::*option;
};
const Binding kBindings[] = {
    {1000, &SetupOptions::fullscreen},
    {1001, &SetupOptions::joy},
    {1002, &SetupOptions::sound},
    {1003, &SetupOptions::xspeed},
    {1004, &SetupOptions::sbots},
};

// Kept: every box is text, caption and OK alone, without an icon, even
// "E/A Error ?"; wxMessageBox would add an information icon by itself.
void showMessage(void* owner, const char* text, const char* caption)
{
    wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxOK | wxICON_NONE,
                 static_cast<wxWindow*>(owner));
}

}  // namespace

SetupDialog::SetupDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "tovrin VOLTARI Setup Tool 2.0 for Windows", wxDefaultPosition,
               wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      options_{0, 0, 0, 0, 0}
{
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    SetClientSize(ConvertDialogToPixels(kDialogSize));

    // Created in template order, which is also the tab order.
    for (const ControlTemplate& c : kTemplate) {
        const wxPoint pos = ConvertDialogToPixels(wxPoint(c.x, c.y));
        const wxSize size = ConvertDialogToPixels(wxSize(c.width, c.height));
        switch (c.kind) {
        case Kind::defaultButton:
            (new wxButton(this, c.id, c.text, pos, size))->SetDefault();
            break;
        case Kind::button:
            new wxButton(this, c.id, c.text, pos, size);
            break;
        case Kind::checkBox: {
            auto* box = new wxCheckBox(this, c.id, wxString::FromUTF8(c.text), pos, size);
            // Fonts differ in width: rather grow than cut the text off.
            const int limit = ConvertDialogToPixels(wxPoint(kCheckBoxRightLimit, 0)).x - pos.x;
            const int best = box->GetBestSize().x;
            if (best > size.x)
                box->SetSize(wxSize(std::min(best, std::max(limit, size.x)), size.y));
            break;
        }
        case Kind::groupBox:
            new wxStaticBox(this, c.id, c.text, pos, size);
            break;
        }
    }
    SetAffirmativeId(kSaveId);
    SetEscapeId(kAbortId);

    wxIconBundle icons;
    icons.AddIcon(wxIcon(voltari_icon_32));
    icons.AddIcon(wxIcon(voltari_icon_16));
    SetIcons(icons);
    Centre();

    Bind(wxEVT_BUTTON, &SetupDialog::onSave, this, kSaveId);
    Bind(wxEVT_BUTTON, &SetupDialog::onCancel, this, kAbortId);
    Bind(wxEVT_CLOSE_WINDOW, &SetupDialog::onClose, this);
}

bool SetupDialog::TransferDataToWindow()
{
    for (const Binding& b : kBindings)
        if (auto* box = dynamic_cast<wxCheckBox*>(FindWindow(b.id)))
            box->SetValue(options_.*b.option != 0);
    return true;
}

bool SetupDialog::TransferDataFromWindow()
{
    for (const Binding& b : kBindings)
        if (auto* box = dynamic_cast<wxCheckBox*>(FindWindow(b.id)))
            options_.*b.option = box->GetValue() ? 1 : 0;
    return true;
}

// The toolkit initialises a dialog only once its window is shown, so the
// options are read here, before that.
int SetupDialog::ShowModal()
{
    // Kept: "No ini found !" comes up alone, before the dialog is on screen;
    // a hidden dialog cannot own it, so the box has no parent window.
    initDialogOptions(options_, MessageBoxSeam{showMessage, this});
    TransferDataToWindow();
    // Kept: the focus starts on SAVE, first in tab order, so Space at once
    // saves, like Enter; the toolkit would start on the top-left box.
    FindWindow(kSaveId)->SetFocus();
    return wxDialog::ShowModal();
}

void SetupDialog::onSave(wxCommandEvent&)
{
    TransferDataFromWindow();
    saveOptions(options_, MessageBoxSeam{showMessage, this});
    EndModal(kAbortId);  // the tool ends after every save, as after Abort
}

void SetupDialog::onCancel(wxCommandEvent&)
{
    EndModal(kAbortId);
}

// The close box aborts like the Abort button.
void SetupDialog::onClose(wxCloseEvent&)
{
    EndModal(kAbortId);
}
