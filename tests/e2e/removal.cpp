// The removal as a person makes it with Remove Quillmere, and what it leaves.
#include "driver.h"

int InstalledItemsLeft(const char *group)
{
    static const char *const shortcuts[] = {"\\Quillmere.lnk", "\\Uninstall.lnk",
                                            "\\Readme.lnk"};
    int left = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        left += FileExists(Installed(row).c_str());
    for (const char *shortcut : shortcuts)
        left += FileExists((std::string(group) + shortcut).c_str());
    return left;
}

int ProductKeysLeft()
{
    return MachineKeyInEitherView(NT_UNINSTALL) + MachineKeyInEitherView(WIN_UNINSTALL) +
           MachineKeyInEitherView(APP_PATH);
}

bool ConfirmRemoval(const char *question, const char *group)
{
    ANSWER(NULL, question, REMOVE_CAPTION, IDYES);
    DWORD code = WaitSetupExit();
    int left = InstalledItemsLeft(group);
    ok(code == 0 && left == 0 && ProductKeysLeft() == 0 && !FolderExists(INSTALL_DIR),
       "the first process ends with 0 once the removal is done, its own file and folder "
       "gone: exit code %lu, %d installed items and %d keys left",
       code, left, ProductKeysLeft());
    bool followed = FollowChildProcess();
    ok(followed, "a helper process was started");
    return followed;
}

void ExpectReport(const char *report, DWORD expected)
{
    ANSWER(NULL, report, REMOVE_CAPTION, IDOK);
    DWORD code = WaitSetupExit();
    ok(code == expected, "the helper ends with %lu, got %lu", expected, code);
    KillSetup();
}
