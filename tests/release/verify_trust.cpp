// Asks Windows about a program's Authenticode signature as Explorer does before running a
// downloaded program (WinVerifyTrust, Authenticode policy, no windows, no revocation check) and
// prints the answer as an HRESULT in hex, e.g. 0x80096010 for a file changed since it was
// signed (TRUST_E_BAD_DIGEST), 0x800b0100 for a file without signature (TRUST_E_NOSIGNATURE).
//
//   verify_trust <file>
//
// Exit code 0 when it printed an answer, 2 on wrong arguments.
#include <windows.h>

#include <softpub.h>
#include <wintrust.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = argv[1];
    WINTRUST_DATA request{};
    request.cbStruct = sizeof request;
    request.dwUIChoice = WTD_UI_NONE;
    request.fdwRevocationChecks = WTD_REVOKE_NONE;
    request.dwUnionChoice = WTD_CHOICE_FILE;
    request.pFile = &file;
    // No state kept, so nothing to close afterwards.
    request.dwStateAction = WTD_STATEACTION_IGNORE;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG answer = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &request);
    std::printf("0x%08lx\n", static_cast<unsigned long>(answer));
    return 0;
}
