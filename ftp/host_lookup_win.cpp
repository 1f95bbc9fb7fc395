#include "ftp/host_lookup_win.h"

#include <cstring>
#include <map>
#include <vector>

#include "winui/application.h"
#include "winui/hidden_window_win.h"

namespace ftp {

struct HostLookup::Pending {
    std::vector<char> buffer = std::vector<char>(MAXGETHOSTSTRUCT);
    bool done = false;
    bool ok = false;
};

namespace {

constexpr UINT kLookupMessage = WM_USER + 102;
constexpr wchar_t kLookupClass[] = L"HostLookupWindowClass";

// Lookups whose answer is still to come, by task handle. An entry holds the
// buffer alive until the answer arrives, whether or not anyone still waits
// for it. When the system does honour a withdrawal, no answer comes and the
// entry stays for the rest of the process: one small buffer per withdrawn
// lookup is the price of never being written into freed memory.
std::map<HANDLE, std::shared_ptr<HostLookup::Pending>>& PendingLookups() {
    static std::map<HANDLE, std::shared_ptr<HostLookup::Pending>> pending;
    return pending;
}

LRESULT CALLBACK LookupWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kLookupMessage) return DefWindowProcW(hwnd, msg, wp, lp);
    winui::Guarded([wp, lp] {
        auto& pending = PendingLookups();
        const auto it = pending.find(reinterpret_cast<HANDLE>(wp));
        if (it == pending.end()) return;
        it->second->done = true;
        it->second->ok = WSAGETASYNCERROR(lp) == 0;
        pending.erase(it);
    });
    return 0;
}

// The window that receives every answer: it lives as long as the process, so
// an answer for a component that is gone still finds its buffer.
HWND LookupWindow() {
    static winui::HiddenWindow window(kLookupClass, &LookupWindowProc, nullptr);
    return window.get();
}

}  // namespace

LookupStart& CurrentLookupStart() {
    static LookupStart start = &WSAAsyncGetHostByName;
    return start;
}

size_t PendingLookupCount() { return PendingLookups().size(); }

HostLookup::HostLookup(const std::string& name) : pending_(std::make_shared<Pending>()) {
    const HANDLE task =
        CurrentLookupStart()(LookupWindow(), kLookupMessage, name.c_str(), pending_->buffer.data(),
                             static_cast<int>(pending_->buffer.size()));
    if (!task) {
        pending_->done = true;
        return;
    }
    PendingLookups()[task] = pending_;
    task_ = winui::UniqueHostLookup(task);
}

HostLookup::~HostLookup() {
    // A finished lookup has nothing left to withdraw; an unfinished one is
    // withdrawn by its owner.
    if (pending_->done) task_.release();
}

bool HostLookup::Done() const { return pending_->done; }

std::optional<uint32_t> HostLookup::Address() const {
    if (!pending_->done || !pending_->ok) return std::nullopt;
    const auto* entry = reinterpret_cast<const hostent*>(pending_->buffer.data());
    if (!entry->h_addr_list || !entry->h_addr_list[0] || entry->h_length != 4) return std::nullopt;
    uint32_t address = 0;
    std::memcpy(&address, entry->h_addr_list[0], 4);
    return address;
}

}  // namespace ftp
