#include "desktop/netdialog.h"

#include <algorithm>

#include <vector>

#include <wx/button.h>
#include <wx/iconbndl.h>
#include <wx/radiobox.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "net/roomcode.h"
#include "net/socket.h"
#include "setup/voltari_icon.xpm"

namespace {

constexpr int kHostId = 1;
constexpr int kJoinId = 2;
constexpr int kWatchId = 3;
constexpr int kPortId = 4;
constexpr int kWayId = 5;
constexpr int kAnyoneId = 6;
constexpr const char* kRelayExample = "nats://relay.example.org:4222";  // the form, until one is remembered
constexpr const char* kAddressLabel = "Address of the host (HOST or HOST:PORT):";
constexpr const char* kCodeLabel = "The game's code (from the host's dialog):";
constexpr int kPollMs = 100;       // how often the game's lines are read (ms)
constexpr int kTextWidth = 60;     // dialog units: the width of the texts
constexpr int kInviteHeight = 60;  // dialog units: the addresses' box

wxString text(const std::string& s)
{
    return wxString::FromUTF8(s);
}

}  // namespace

NetDialog::NetDialog(NetDialogMode mode, const std::string& launcher)
    : wxDialog(nullptr, wxID_ANY,
               mode == NetDialogMode::Host ? "VOLTARI: Host a network game" : "VOLTARI: Join a network game",
               wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      mode_(mode), launcher_(launcher), timer_(this)
{
    SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    const int width = ConvertDialogToPixels(wxSize(kTextWidth * 4, 0)).x;
    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    wxButton* first = nullptr;

    const wxString ways[] = {"On this network", "Through a relay"};
    way_ = new wxRadioBox(this, kWayId, "How", wxDefaultPosition, wxDefaultSize, 2, ways, 1, wxRA_SPECIFY_ROWS);
    column->Add(way_, 0, wxEXPAND | wxBOTTOM, 8);
    auto* relayRow = new wxBoxSizer(wxHORIZONTAL);
    relayRow->Add(new wxStaticText(this, wxID_ANY, "Relay:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    const std::string relay = loadRememberedAddress(rememberedRelayFile());
    relay_ = new wxTextCtrl(this, wxID_ANY, text(relay.empty() ? kRelayExample : relay));
    relayRow->Add(relay_, 1, wxALIGN_CENTER_VERTICAL);
    column->Add(relayRow, 0, wxEXPAND | wxBOTTOM, 8);
    Bind(wxEVT_RADIOBOX, &NetDialog::onWayChanged, this, kWayId);

    if (mode == NetDialogMode::Host) {
        auto* portRow = new wxBoxSizer(wxHORIZONTAL);
        portRow->Add(new wxStaticText(this, wxID_ANY, "Port:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        port_ = new wxSpinCtrl(this, kPortId, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1,
                               65535, net::kDefaultPort);
        portRow->Add(port_, 0, wxALIGN_CENTER_VERTICAL);
        column->Add(portRow, 0, wxBOTTOM, 8);
        column->Add(new wxStaticText(this, wxID_ANY, "Give your friend one of these to join your game:"), 0,
                    wxBOTTOM, 4);
        invite_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                 wxSize(width, ConvertDialogToPixels(wxSize(0, kInviteHeight)).y),
                                 wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
        column->Add(invite_, 1, wxEXPAND | wxBOTTOM, 8);
        first = new wxButton(this, kHostId, "&Host");
        buttons->Add(first, 0, wxRIGHT, 8);
        Bind(wxEVT_BUTTON, &NetDialog::onHost, this, kHostId);
        Bind(wxEVT_SPINCTRL, &NetDialog::onPortChanged, this, kPortId);
        Bind(wxEVT_TEXT, &NetDialog::onPortChanged, this, kPortId);
        showInvite();
    } else {
        addressLabel_ = new wxStaticText(this, wxID_ANY, kAddressLabel);
        column->Add(addressLabel_, 0, wxBOTTOM, 4);
        address_ = new wxTextCtrl(this, wxID_ANY, text(loadRememberedAddress(rememberedAddressFile())),
                                  wxDefaultPosition, wxSize(width, -1));
        column->Add(address_, 0, wxEXPAND | wxBOTTOM, 8);
        first = new wxButton(this, kJoinId, "&Join");
        buttons->Add(first, 0, wxRIGHT, 8);
        buttons->Add(new wxButton(this, kWatchId, "&Watch"), 0, wxRIGHT, 8);
        Bind(wxEVT_BUTTON, &NetDialog::onJoin, this, kJoinId);
        Bind(wxEVT_BUTTON, &NetDialog::onWatch, this, kWatchId);
    }
    anyone_ = new wxButton(this, kAnyoneId, "Play &anyone");
    buttons->Add(anyone_, 0, wxRIGHT, 8);
    Bind(wxEVT_BUTTON, &NetDialog::onAnyone, this, kAnyoneId);
    status_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(width, -1),
                               wxST_NO_AUTORESIZE);
    column->Add(status_, 0, wxEXPAND | wxBOTTOM, 8);
    cancel_ = new wxButton(this, wxID_CANCEL, "&Close");
    buttons->Add(cancel_);
    column->Add(buttons, 0, wxALIGN_RIGHT);

    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(column, 1, wxEXPAND | wxALL, 12);
    SetSizerAndFit(outer);

    first->SetDefault();
    if (address_)
        address_->SetFocus();
    else
        first->SetFocus();
    SetEscapeId(wxID_CANCEL);

    wxIconBundle icons;
    icons.AddIcon(wxIcon(voltari_icon_32));
    icons.AddIcon(wxIcon(voltari_icon_16));
    SetIcons(icons);
    Centre();

    Bind(wxEVT_BUTTON, &NetDialog::onCancel, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &NetDialog::onClose, this);
    Bind(wxEVT_TIMER, &NetDialog::onTimer, this);
    wxCommandEvent none;
    onWayChanged(none);
}

bool NetDialog::throughRelay() const
{
    return way_->GetSelection() == 1;
}

// Through a relay the host needs no port and the guest types a code.
void NetDialog::onWayChanged(wxCommandEvent&)
{
    relay_->Enable(throughRelay() && !running_);
    if (port_)
        port_->Enable(!throughRelay() && !running_);
    if (invite_) {
        if (throughRelay())
            invite_->ChangeValue("Host, and give your friend the game's code shown here.");
        else
            showInvite();
    }
    if (addressLabel_)
        addressLabel_->SetLabel(throughRelay() ? kCodeLabel : kAddressLabel);
    const std::vector<NetChoice> shown = netChoices(mode_ == NetDialogMode::Host, throughRelay());
    anyone_->Show(std::find(shown.begin(), shown.end(), NetChoice::PlayAnyone) != shown.end());
    Layout();
    Fit();
}

// The addresses with the port as it is now in the field.
void NetDialog::showInvite()
{
    const std::uint16_t port = parsePort(port_->GetTextValue().ToStdString());
    if (port == 0) {
        invite_->ChangeValue("The port is a number from 1 to 65535.");
        return;
    }
    const std::vector<std::string> addresses = machineAddresses();
    std::string shown;
    if (addresses.empty()) {
        shown = "This computer has no network address a friend could reach: connect it to a network first.\n"
                "On this computer alone:";
        for (const std::string& a : machineAddresses(Reach::ThisComputer))
            shown += " " + joinText(a, port);
        shown += "\n";
    } else {
        shown = "A friend with VOLTARI on their computer:\n";
        for (const std::string& a : addresses)
            shown += "    " + joinText(a, port) + "\n";
        shown += "A friend in a web browser:\n";
        for (const std::string& a : addresses)
            shown += "    " + pageLink(a, port) + "\n";
    }
    invite_->ChangeValue(text(shown));
}

void NetDialog::setStatus(const std::string& line)
{
    status_->SetLabel(text(line));
    status_->Wrap(status_->GetSize().x);
    Layout();
    Fit();
}

void NetDialog::setRunning(bool running)
{
    running_ = running;
    for (int id : {kHostId, kJoinId, kWatchId, kPortId, kWayId, kAnyoneId})
        if (wxWindow* w = FindWindow(id))
            w->Enable(!running);
    relay_->Enable(!running && throughRelay());
    if (port_)
        port_->Enable(!running && !throughRelay());
    if (address_)
        address_->Enable(!running);
    cancel_->SetLabel(running ? "&Cancel" : "&Close");
    // The focus leaves a control as it is disabled; keys (Escape, Enter)
    // need one that has it.
    if (running)
        cancel_->SetFocus();
    else if (address_)
        address_->SetFocus();
    else
        FindWindow(kHostId)->SetFocus();
}

void NetDialog::start(const char* option, const std::string& where)
{
    std::string error;
    std::string relay;
    if (throughRelay()) {
        relay = relay_->GetValue().Trim().Trim(false).ToStdString();
        saveRememberedAddress(rememberedRelayFile(), relay);
    }
    std::vector<std::string> argv = {launcher_};
    for (const std::string& a : netGameArguments(relay, option, where))
        argv.push_back(a);
    if (!startGame(game_, argv, error)) {
        setStatus("The game could not start: " + error);
        return;
    }
    cancelled_ = false;
    setRunning(true);
    timer_.Start(kPollMs);
}

void NetDialog::onHost(wxCommandEvent&)
{
    const std::uint16_t port = parsePort(port_->GetTextValue().ToStdString());
    if (port == 0) {
        setStatus("The port is a number from 1 to 65535.");
        return;
    }
    setStatus("Starting the game...");
    start("--host", throughRelay() ? "" : std::to_string(port));
}

void NetDialog::onJoin(wxCommandEvent& event)
{
    const std::string where = address_->GetValue().Trim().Trim(false).ToStdString();
    if (throughRelay()) {
        std::string code;
        if (!net::parseRoomCode(where, code)) {
            setStatus("Type the game's code, as the host's dialog shows it (like K7QX-2M9P).");
            return;
        }
        const bool watch = event.GetId() == kWatchId;
        setStatus((watch ? "Joining to watch game " : "Joining game ") + net::formatRoomCode(code) + "...");
        start(watch ? "--watch" : "--join", code);
        return;
    }
    std::string host;
    std::uint16_t port = 0;
    if (where.empty() || !net::splitHostPort(where, host, port)) {
        setStatus("Type the host's address: a name or an address, with :PORT if it is not the usual port.");
        return;
    }
    saveRememberedAddress(rememberedAddressFile(), where);
    const bool watch = event.GetId() == kWatchId;
    setStatus((watch ? "Connecting to watch " : "Connecting to ") + where + "...");
    start(watch ? "--watch" : "--join", where);
}

void NetDialog::onWatch(wxCommandEvent& event)
{
    onJoin(event);
}

// Through a relay: the game waits there for anyone else who does.
void NetDialog::onAnyone(wxCommandEvent&)
{
    setStatus("Waiting for anyone to play on the relay...");
    start(netChoiceOption(NetChoice::PlayAnyone), "");
}

// Close, or, while the game waits, Cancel: the game is stopped and the
// player is back where they started.
void NetDialog::onCancel(wxCommandEvent&)
{
    if (!running_) {
        finish(0);
        return;
    }
    cancelled_ = true;
    stopGame(game_);
}

void NetDialog::onClose(wxCloseEvent&)
{
    if (!running_) {
        finish(0);
        return;
    }
    closing_ = true;
    stopGame(game_);
}

void NetDialog::onPortChanged(wxCommandEvent&)
{
    showInvite();
}

void NetDialog::onTimer(wxTimerEvent&)
{
    std::vector<std::string> lines;
    pollGame(game_, lines);
    for (const std::string& line : lines) {
        const std::string prefix = kStatusPrefix;
        if (!playing_ && line.compare(0, prefix.size(), prefix) == 0)
            setStatus(line.substr(prefix.size()));
    }
    const net::NetState& state = game_.state;
    if (!playing_ && invite_ && state.mode == net::NetMode::Host && !state.code.empty() && !game_.paired &&
        state.code != shownCode_) {
        shownCode_ = state.code;
        invite_->ChangeValue(text("Give your friend this code: " + state.code + "\n(with the same relay: " +
                                  relay_->GetValue().ToStdString() + ")\n"));
    }
    if (!playing_ && state.phase == net::NetPhase::Playing) {
        // The game's window is where the player looks now.
        playing_ = true;
        Hide();
    }
    if (!game_.ended)
        return;
    timer_.Stop();
    setRunning(false);
    if (playing_ || closing_) {
        finish(game_.exitStatus);
        return;
    }
    setStatus(cancelled_ ? std::string("Cancelled: the game was stopped.") : endingReason(game_));
}

void NetDialog::finish(int status)
{
    exitStatus_ = status;
    timer_.Stop();
    Destroy();
}
