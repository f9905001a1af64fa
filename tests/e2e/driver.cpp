// Drives a running editor from another process in the same Wine prefix: finds
// its frame, posts commands, fills and confirms its dialogs, and reads its
// title, status bar, parts list and view rectangle. Results go to stdout;
// the exit code is 0 on success and 1 on failure.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kFrameClass[] = "TobureModelerClass";
const char kDialogClass[] = "#32770";
constexpr int kStatusBarId = 100;
constexpr int kListViewId = 103;
constexpr int kViewId = 106;
constexpr int kFileNameComboId = 1148; // cmb13
constexpr int kFileNameEditId = 1152;  // edt1
constexpr DWORD kDefaultTimeoutMs = 10000;
constexpr UINT kSendTimeoutMs = 5000;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string windowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, LPARAM(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return std::string();
    return std::string(text, length < sizeof text ? length : sizeof text - 1);
}

std::string className(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Repeats find every 100 ms until it gives a window or the time is up.
template <typename Find>
HWND waitFor(Find find, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = find())
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(100);
    }
}

struct TopLevelSearch {
    std::string className;
    std::string titlePrefix;
    HWND owner;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<TopLevelSearch*>(lParam);
    if (!IsWindowVisible(window) || className(window) != search.className)
        return TRUE;
    if (search.owner && GetWindow(window, GW_OWNER) != search.owner)
        return TRUE;
    if (!startsWith(windowText(window), search.titlePrefix))
        return TRUE;
    search.found = window;
    return FALSE;
}

HWND findTopLevel(const std::string& windowClass, const std::string& titlePrefix, HWND owner)
{
    TopLevelSearch search{windowClass, titlePrefix, owner, nullptr};
    EnumWindows(matchTopLevel, LPARAM(&search));
    return search.found;
}

HWND findFrame(const std::string& titlePrefix = std::string())
{
    return findTopLevel(kFrameClass, titlePrefix, nullptr);
}

HWND requireFrame()
{
    HWND frame = findFrame();
    if (!frame)
        std::fprintf(stderr, "driver: no editor window\n");
    return frame;
}

HWND findDialog(HWND frame, DWORD timeoutMs)
{
    return waitFor([frame] { return findTopLevel(kDialogClass, std::string(), frame); }, timeoutMs);
}

struct DescendantSearch {
    int id;
    HWND found;
};

BOOL CALLBACK matchDescendant(HWND window, LPARAM lParam)
{
    auto& search = *reinterpret_cast<DescendantSearch*>(lParam);
    if (GetDlgCtrlID(window) != search.id)
        return TRUE;
    search.found = window;
    return FALSE;
}

// A window of the control id anywhere below parent.
HWND findDescendant(HWND parent, int id)
{
    DescendantSearch search{id, nullptr};
    EnumChildWindows(parent, matchDescendant, LPARAM(&search));
    return search.found;
}

bool waitGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}

DWORD timeoutArgument(int argc, char** argv, int index)
{
    return argc > index ? DWORD(std::strtoul(argv[index], nullptr, 10)) : kDefaultTimeoutMs;
}

int waitWindow(int argc, char** argv)
{
    const std::string prefix = argc > 2 ? argv[2] : "";
    HWND frame = waitFor([&prefix] { return findFrame(prefix); }, timeoutArgument(argc, argv, 3));
    if (!frame) {
        HWND other = findFrame();
        std::fprintf(stderr, "driver: no editor window titled \"%s...\"%s%s\n", prefix.c_str(),
                     other ? "; its title is " : "", other ? windowText(other).c_str() : "");
        return 1;
    }
    std::printf("%p\n", static_cast<void*>(frame));
    return 0;
}

int postCommand(int argc, char** argv)
{
    HWND frame = requireFrame();
    if (!frame || argc < 3)
        return 1;
    return PostMessageA(frame, WM_COMMAND, WPARAM(std::strtoul(argv[2], nullptr, 10)), 0) ? 0 : 1;
}

void pressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// Types path into the open dialog's file name box and presses its OK button.
int dialogOpen(int argc, char** argv)
{
    HWND frame = requireFrame();
    if (!frame || argc < 3)
        return 1;
    const DWORD timeoutMs = timeoutArgument(argc, argv, 3);
    HWND dialog = findDialog(frame, timeoutMs);
    if (!dialog) {
        std::fprintf(stderr, "driver: no dialog owned by the editor\n");
        return 1;
    }
    HWND nameBox = GetDlgItem(dialog, kFileNameComboId);
    if (!nameBox)
        nameBox = GetDlgItem(dialog, kFileNameEditId);
    if (!nameBox) {
        std::fprintf(stderr, "driver: the dialog has no file name box\n");
        return 1;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(nameBox, WM_SETTEXT, 0, LPARAM(argv[2]), SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
    pressButton(dialog, IDOK);
    if (!waitGone(dialog, timeoutMs)) {
        std::fprintf(stderr, "driver: the dialog is still open\n");
        return 1;
    }
    return 0;
}

BOOL CALLBACK printStatic(HWND window, LPARAM)
{
    if (className(window) == "Static") {
        const std::string text = windowText(window);
        if (!text.empty())
            std::printf("%s\n", text.c_str());
    }
    return TRUE;
}

// Prints the texts of the dialog (a message box) that the editor shows.
int dialogText(int argc, char** argv)
{
    HWND frame = requireFrame();
    if (!frame)
        return 1;
    HWND dialog = findDialog(frame, timeoutArgument(argc, argv, 2));
    if (!dialog)
        return 1;
    std::printf("%s\n", windowText(dialog).c_str());
    EnumChildWindows(dialog, printStatic, 0);
    return 0;
}

int dialogPress(int argc, char** argv)
{
    HWND frame = requireFrame();
    if (!frame || argc < 3)
        return 1;
    const DWORD timeoutMs = timeoutArgument(argc, argv, 3);
    HWND dialog = findDialog(frame, timeoutMs);
    if (!dialog)
        return 1;
    pressButton(dialog, std::atoi(argv[2]));
    return waitGone(dialog, timeoutMs) ? 0 : 1;
}

int printTitle()
{
    HWND frame = requireFrame();
    if (!frame)
        return 1;
    std::printf("%s\n", windowText(frame).c_str());
    return 0;
}

int printStatus()
{
    HWND frame = requireFrame();
    HWND bar = frame ? GetDlgItem(frame, kStatusBarId) : nullptr;
    if (!bar)
        return 1;
    std::printf("%s\n", windowText(bar).c_str());
    return 0;
}

// Memory in the editor's process, for list-view messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    ~RemoteBuffer()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* address() const { return static_cast<char*>(address_); }
    bool write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        return WriteProcessMemory(process_, address() + offset, data, size, nullptr);
    }
    bool read(SIZE_T offset, void* data, SIZE_T size) const
    {
        return ReadProcessMemory(process_, address() + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

// One line per row: its check state (1 checked, 0 not) and its label.
int listRows()
{
    HWND frame = requireFrame();
    HWND list = frame ? findDescendant(frame, kListViewId) : nullptr;
    if (!list)
        return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return 1;
    int result = 0;
    {
        constexpr SIZE_T kTextSize = 512;
        RemoteBuffer remote(process, sizeof(LVITEMA) + kTextSize);
        const LRESULT rows = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (LRESULT row = 0; remote.address() && row < rows; ++row) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_STATE;
            item.iItem = int(row);
            item.stateMask = LVIS_STATEIMAGEMASK;
            item.pszText = remote.address() + sizeof(LVITEMA);
            item.cchTextMax = int(kTextSize);
            char text[kTextSize] = "";
            if (!remote.write(0, &item, sizeof item) || !SendMessageA(list, LVM_GETITEMA, 0, LPARAM(remote.address()))
                || !remote.read(0, &item, sizeof item) || !remote.read(sizeof(LVITEMA), text, kTextSize - 1)) {
                result = 1;
                break;
            }
            const int checked = ((item.state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0;
            std::printf("%d %s\n", checked, text);
        }
        if (!remote.address())
            result = 1;
    }
    CloseHandle(process);
    return result;
}

bool viewRect(RECT& rect)
{
    HWND frame = requireFrame();
    HWND view = frame ? findDescendant(frame, kViewId) : nullptr;
    if (!view || !GetClientRect(view, &rect))
        return false;
    POINT origin = {0, 0};
    ClientToScreen(view, &origin);
    OffsetRect(&rect, origin.x, origin.y);
    return true;
}

// Screen x, y, width and height of the frame, shadows and borders included.
int printFrameRect()
{
    HWND frame = requireFrame();
    RECT rect;
    if (!frame || !GetWindowRect(frame, &rect))
        return 1;
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

// The X11 window that Wine shows the frame in, for screen captures.
int printXWindow()
{
    HWND frame = requireFrame();
    HANDLE xWindow = frame ? GetPropA(frame, "__wine_x11_whole_window") : nullptr;
    if (!xWindow)
        return 1;
    std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(xWindow)));
    return 0;
}

// Screen x, y of the view's client area, its width and height.
int printViewRect()
{
    RECT rect;
    if (!viewRect(rect))
        return 1;
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

// A left click at view client coordinates, through the system's input queue.
int click(int argc, char** argv)
{
    RECT rect;
    if (argc < 4 || !viewRect(rect))
        return 1;
    const int x = rect.left + std::atoi(argv[2]);
    const int y = rect.top + std::atoi(argv[3]);
    if (!SetCursorPos(x, y))
        return 1;
    Sleep(50);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2 ? 0 : 1;
}

int closeEditor(int argc, char** argv)
{
    HWND frame = requireFrame();
    if (!frame || !PostMessageA(frame, WM_CLOSE, 0, 0))
        return 1;
    return waitGone(frame, timeoutArgument(argc, argv, 2)) ? 0 : 1;
}

int usage()
{
    std::fprintf(stderr, "usage: driver wait-window <title-prefix> [timeout-ms] | command <id> |\n"
                         "  dialog-open <path> [timeout-ms] | dialog-text [timeout-ms] |\n"
                         "  dialog-press <button-id> [timeout-ms] | title | status | list-rows |\n"
                         "  view-rect | frame-rect | x-window | click <x> <y> | close [timeout-ms] | ping\n");
    return 1;
}

}

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "ping")
        return 0;
    if (command == "wait-window")
        return waitWindow(argc, argv);
    if (command == "command")
        return postCommand(argc, argv);
    if (command == "dialog-open")
        return dialogOpen(argc, argv);
    if (command == "dialog-text")
        return dialogText(argc, argv);
    if (command == "dialog-press")
        return dialogPress(argc, argv);
    if (command == "title")
        return printTitle();
    if (command == "status")
        return printStatus();
    if (command == "list-rows")
        return listRows();
    if (command == "view-rect")
        return printViewRect();
    if (command == "frame-rect")
        return printFrameRect();
    if (command == "x-window")
        return printXWindow();
    if (command == "click")
        return click(argc, argv);
    if (command == "close")
        return closeEditor(argc, argv);
    return usage();
}
