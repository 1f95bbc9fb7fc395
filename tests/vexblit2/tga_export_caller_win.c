/* The caller's side of a failed vx_LoadTga on Windows. The library raises a
 * structured exception; this caller has no __try of its own, so it runs the
 * call on a thread of its own and takes the exception in a vectored handler,
 * which reads the record and ends that thread. Nothing of the library's
 * frames needs unwinding: they hold nothing. */
#include <windows.h>

#include "tga_export_caller.h"
#include "vexblit2/vexblit2.h"

typedef struct Call {
    const char* FileName;
    void* Pixels;
    uint8_t* AlphaMap;
    uint16_t* Width;
    uint16_t* Height;
    DWORD Thread;
    TgaCallResult* Result;
} Call;

static Call* volatile g_Call;

static LONG CALLBACK OnException(PEXCEPTION_POINTERS ep) {
    Call* call = g_Call;
    const EXCEPTION_RECORD* rec = ep->ExceptionRecord;
    if (!call || call->Thread != GetCurrentThreadId() || rec->ExceptionCode != VX_TGA_EXCEPTION)
        return EXCEPTION_CONTINUE_SEARCH;
    call->Result->Failed = 1;
    call->Result->Code = rec->ExceptionCode;
    call->Result->Flags = rec->ExceptionFlags;
    if (rec->NumberParameters >= 2) {
        call->Result->Kind = (uint32_t)rec->ExceptionInformation[1];
        lstrcpynA(call->Result->Text, (const char*)rec->ExceptionInformation[0],
                  (int)sizeof call->Result->Text);
    }
    ExitThread(1);
    return EXCEPTION_CONTINUE_SEARCH; /* not reached */
}

static DWORD WINAPI RunCall(LPVOID arg) {
    Call* call = (Call*)arg;
    call->Thread = GetCurrentThreadId();
    vx_LoadTga(call->FileName, call->Pixels, call->AlphaMap, call->Width, call->Height);
    return 0;
}

void CallLoadTga(const char* fileName, void* pixels, uint8_t* alphaMap, uint16_t* width,
                 uint16_t* height, TgaCallResult* result) {
    Call call = {fileName, pixels, alphaMap, width, height, 0, result};
    ZeroMemory(result, sizeof *result);
    g_Call = &call;
    PVOID handler = AddVectoredExceptionHandler(1, OnException);
    HANDLE thread = CreateThread(NULL, 0, RunCall, &call, 0, NULL);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    RemoveVectoredExceptionHandler(handler);
    g_Call = NULL;
}
