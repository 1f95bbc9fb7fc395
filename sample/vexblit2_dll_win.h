#pragma once
// vexblit2.dll loaded at run time by file name, its exports looked up by
// their undecorated names.

#include <windows.h>

#include "sample/vexblit2_api.h"

namespace ostrel {

class VexBlit2Dll {
public:
    // Throws std::runtime_error naming the file or the export that is missing.
    explicit VexBlit2Dll(const wchar_t* fileName = L"vexblit2.dll");
    ~VexBlit2Dll();
    VexBlit2Dll(const VexBlit2Dll&) = delete;
    VexBlit2Dll& operator=(const VexBlit2Dll&) = delete;

    const VexBlit2Api& Api() const { return api_; }

private:
    template <class Function>
    void Bind(Function& slot, const char* name);

    HMODULE module_;
    VexBlit2Api api_{};
};

}  // namespace ostrel
