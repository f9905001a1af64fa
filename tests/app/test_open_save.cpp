#include "ControllerFixture.h"
#include "FailingFiles.h"
#include "gfl/File.h"
#include "gfl/Path.h"
#include "modeller/app/FileDialogs.h"
#include "modeller/app/resource.h"

#include <doctest/doctest.h>

using fixture::Controller;
using fixture::Person;

namespace {

const char kProduct[] = " - とぶれモデラー";

std::string readBytes(const std::string& path)
{
    gfl::File file(path.c_str());
    DWORD size = 0;
    if (FAILED(file.getSize(&size)))
        return std::string();
    std::string bytes(size, '\0');
    if (size)
        file.readAll(&bytes[0], size);
    return bytes;
}

std::vector<std::string> messageTexts()
{
    std::vector<std::string> texts;
    for (const Person::Message& message : Person::get().messages)
        texts.push_back(message.text);
    return texts;
}

}

TEST_CASE("opening names the work after a work file and new work otherwise")
{
    Controller c;
    Person& person = Person::get();
    HWND owner = c.frame.getWindow();
    const std::string plugIn = c.plugIn();

    person.plugInAnswers = {plugIn};
    CHECK(c.controller.onCommand(owner, IDM_NEW) == TRUE);
    CHECK(c.controller.getModel().isLoaded() == 1);
    CHECK(c.frame.title == std::string("新規") + kProduct);
    CHECK(c.controller.getWorkFileName().empty());
    CHECK(c.list.selected == std::vector<int>{0});
    c.click(c.currentFaceCentres()[0]);

    // New work saves under a name the dialog gives; ".tbs" is added.
    person.saveAsAnswers = {c.dir.file("first")};
    CHECK(c.controller.saveFile(owner, 0) == TRUE);
    const std::string work = c.dir.file("first.tbs");
    CHECK(c.controller.getWorkFileName() == work);
    CHECK(c.frame.title == work + kProduct);
    CHECK(gfl::Path(work).exists());

    // Reopened, the progress is back and the work keeps its file.
    person.openAnswers = {work};
    CHECK(c.controller.onCommand(owner, IDM_OPEN) == TRUE);
    CHECK(c.solidFaces() == 1);
    CHECK(c.controller.getWorkFileName() == work);
    CHECK(c.frame.title == work + kProduct);

    // A work file whose extension differs in case loads as new work.
    const std::string upper = c.dir.file("upper.TBS");
    REQUIRE(CopyFileA(work.c_str(), upper.c_str(), FALSE));
    CHECK(c.open(upper) == 1);
    CHECK(c.solidFaces() == 1);
    CHECK(c.controller.getWorkFileName().empty());
    CHECK(c.frame.title == std::string("新規") + kProduct);
    person.saveAsAnswers = {""};
    CHECK(c.controller.saveFile(owner, 0) == FALSE); // new work: asks for a name
    CHECK(person.saveAsAnswers.empty());

    CHECK(person.messages.empty());
    CHECK(person.soundsStopped == 3);
}

TEST_CASE("cancelled dialogs and a missing file change nothing")
{
    Controller c;
    Person& person = Person::get();
    HWND owner = c.frame.getWindow();
    REQUIRE(c.open(c.plugIn()) == 1);
    c.click(c.currentFaceCentres()[0]);
    person.messages.clear();

    person.plugInAnswers = {""};
    person.openAnswers = {"", c.dir.file("missing.tbs")};
    CHECK(c.controller.newFile(owner) == FALSE);
    CHECK(c.controller.openFile(owner) == FALSE);
    CHECK(person.messages.empty());
    CHECK(c.controller.openFile(owner) == FALSE);
    CHECK(messageTexts() == std::vector<std::string>{"エラー！ファイルが存在しません。"});
    CHECK(person.messages[0].type == MB_OK);
    CHECK(c.controller.getModel().isLoaded() == 1);
    CHECK(c.solidFaces() == 1);
    CHECK(c.frame.title == std::string("新規") + kProduct);
}

TEST_CASE("a failed open resets the title and a completed work keeps its text until the next load")
{
    Controller c;
    Person& person = Person::get();
    REQUIRE(c.open(c.plugIn()) == 1);
    for (int part : {0, 1}) {
        c.controller.setCurrentParts(part, 1);
        for (const D3DXVECTOR3& face : c.currentFaceCentres())
            c.click(face);
    }
    c.controller.OnPaint();
    REQUIRE(c.controller.getCompleteFlag() == 1);
    REQUIRE(fixture::statusText() == "★★★ 完成！！★★★");
    const int stopsBefore = person.soundsStopped;

    const std::string damaged = c.dir.file("damaged.pin");
    writeTextFile(damaged, "no archive and no mesh");
    CHECK(c.open(damaged) == 0);
    CHECK(person.soundsStopped == stopsBefore + 1);
    CHECK(messageTexts() == std::vector<std::string>{"エラー！読み込みに失敗しました。"});
    CHECK(c.frame.title == "とぶれモデラー");
    CHECK(c.controller.getWorkFileName().empty());
    CHECK(c.controller.getCompleteFlag() == 1);
    CHECK(fixture::statusText() == "★★★ 完成！！★★★");

    // A completed work file loads complete without a sound; the text comes back at paint.
    person.messages.clear();
    REQUIRE(c.open(c.plugIn("again")) == 1);
    CHECK(fixture::statusText().empty());
    for (int part : {0, 1}) {
        c.controller.setCurrentParts(part, 1);
        for (const D3DXVECTOR3& face : c.currentFaceCentres())
            c.click(face);
    }
    person.saveAsAnswers = {c.dir.file("done.tbs")};
    REQUIRE(c.controller.saveFile(nullptr, 1) == TRUE);
    const int played = person.soundsPlayed;
    REQUIRE(c.open(c.dir.file("done.tbs")) == 1);
    CHECK(c.controller.getCompleteFlag() == 1);
    CHECK(person.soundsPlayed == played);
    CHECK(fixture::statusText().empty());
    c.controller.OnPaint();
    CHECK(fixture::statusText() == "★★★ 完成！！★★★");
}

TEST_CASE("save-as onto an existing file asks and a no keeps the previous name")
{
    Controller c;
    Person& person = Person::get();
    REQUIRE(c.open(c.plugIn()) == 1);
    const std::string first = c.dir.file("first.tbs");
    const std::string other = c.dir.file("other.tbs");
    person.saveAsAnswers = {first, other};
    REQUIRE(c.controller.saveFile(nullptr, 1) == TRUE);
    REQUIRE(c.controller.saveFile(nullptr, 1) == TRUE);
    REQUIRE(c.controller.getWorkFileName() == other);
    CHECK(person.messages.empty());

    // Onto first, written as "first.dat": the question names the .tbs file.
    person.saveAsAnswers = {c.dir.file("first.dat")};
    person.messageAnswer = IDNO;
    const std::string before = readBytes(first);
    c.click(c.currentFaceCentres()[0]);
    CHECK(c.controller.saveFile(nullptr, 1) == FALSE);
    REQUIRE(person.messages.size() == 1);
    CHECK(person.messages[0].text == first + "\nこのファイルは既に存在します。\n\n上書きしますか？");
    CHECK(person.messages[0].type == UINT(MB_YESNO | MB_ICONQUESTION));
    CHECK(c.controller.getWorkFileName() == other);
    CHECK(c.frame.title == other + kProduct);
    CHECK(readBytes(first) == before);

    // A plain save then goes to the previous file without a question.
    person.messages.clear();
    const int dialogs = person.dialogs;
    CHECK(c.controller.saveFile(nullptr, 0) == TRUE);
    CHECK(person.dialogs == dialogs);
    CHECK(person.messages.empty());

    person.saveAsAnswers = {first};
    person.messageAnswer = IDYES;
    CHECK(c.controller.saveFile(nullptr, 1) == TRUE);
    CHECK(person.messages.size() == 1);
    CHECK(readBytes(first) != before);
    CHECK(c.controller.getWorkFileName() == first);
    CHECK(c.frame.title == first + kProduct);
}

TEST_CASE("a failed save keeps the previous work file the name and the title")
{
    Controller c;
    Person& person = Person::get();
    CHECK(c.controller.saveFile(nullptr, 0) == FALSE);
    CHECK(messageTexts() == std::vector<std::string>{"エラー！ファイルが開かれていません。"});
    CHECK(person.dialogs == 0);
    person.messages.clear();

    REQUIRE(c.open(c.plugIn()) == 1);
    // New work whose save fails stays new work: a missing folder, and a folder of
    // the chosen name (asked about, overwritten, not replaceable).
    const std::string folder = c.dir.file("folder.tbs");
    REQUIRE(CreateDirectoryA(folder.c_str(), nullptr));
    person.messageAnswer = IDYES;
    for (const std::string& target : {c.dir.file("no folder\\work.tbs"), folder}) {
        CAPTURE(target);
        person.messages.clear();
        person.saveAsAnswers = {target};
        CHECK(c.controller.saveFile(nullptr, 0) == FALSE);
        REQUIRE(!person.messages.empty());
        CHECK(person.messages.back().text == "エラー！セーブに失敗しました。");
        CHECK(c.controller.getWorkFileName().empty());
        CHECK(c.frame.title == std::string("新規") + kProduct);
    }

    const std::string work = c.dir.file("work.tbs");
    person.saveAsAnswers = {work};
    REQUIRE(c.controller.saveFile(nullptr, 0) == TRUE);
    const std::string before = readBytes(work);
    REQUIRE(!before.empty());
    c.click(c.currentFaceCentres()[0]);
    person.messages.clear();
    for (unsigned long budget : {0ul, 100ul}) {
        CAPTURE(budget);
        FailingFiles failing(budget);
        CHECK(c.controller.saveFile(nullptr, 0) == FALSE);
    }
    // Written whole, but the file held open without delete sharing cannot be replaced.
    HANDLE held =
        CreateFileA(work.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    CHECK(c.controller.saveFile(nullptr, 0) == FALSE);
    CloseHandle(held);
    CHECK(messageTexts() == std::vector<std::string>(3, "エラー！セーブに失敗しました。"));
    CHECK(readBytes(work) == before);
    CHECK(c.controller.getWorkFileName() == work);
    CHECK(c.frame.title == work + kProduct);

    // Save-as to a place that cannot be written keeps the old name too.
    person.saveAsAnswers = {c.dir.file("no folder\\other.tbs")};
    CHECK(c.controller.saveFile(nullptr, 1) == FALSE);
    CHECK(c.controller.getWorkFileName() == work);
    CHECK(c.frame.title == work + kProduct);
    CHECK(c.controller.saveFile(nullptr, 0) == TRUE);
    CHECK(readBytes(work) != before);
}

namespace {

struct DialogCall {
    OPENFILENAMEA record;
    std::string filter;
    std::string folder;
    std::string fileOnEntry;
};
std::vector<DialogCall> g_dialogCalls;

// A filter's text and pattern, with the NUL between them.
std::string filterPair(const char* filter)
{
    const std::string text = filter;
    return text + '\0' + (filter + text.size() + 1);
}
const char* g_dialogChoice = nullptr;

BOOL WINAPI recordDialog(LPOPENFILENAMEA record)
{
    g_dialogCalls.push_back(
        DialogCall{*record, filterPair(record->lpstrFilter), record->lpstrInitialDir, record->lpstrFile});
    if (!g_dialogChoice)
        return FALSE;
    lstrcpyA(record->lpstrFile, g_dialogChoice);
    return TRUE;
}

}

TEST_CASE("the three file dialogs are open-file dialogs on the folders beside the program")
{
    struct Case {
        BOOL (*dialog)(HWND, std::string&);
        const char* filter;
        const char* folder;
        DWORD flags;
    };
    const Case cases[] = {
        {tbm::openPlugInFileDialog, "PlugIn File {*.pin}\0*.pin", "plugin", OFN_FILEMUSTEXIST},
        {tbm::openSaveFileDialog, "Save File {*.tbs}\0*.tbs", "save",
         OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON},
        {tbm::saveAsFileDialog, "Save File {*.tbs}\0*.tbs", "save", OFN_OVERWRITEPROMPT | OFN_NONETWORKBUTTON},
    };
    tbm::setOpenFileNameFunction(recordDialog);
    HWND owner = fixture::Windows::get().frame;
    for (const Case& test : cases) {
        CAPTURE(test.folder);
        g_dialogCalls.clear();
        std::string path = "kept";
        g_dialogChoice = nullptr;
        CHECK(test.dialog(owner, path) == FALSE);
        CHECK(path == "kept");
        g_dialogChoice = "C:\\chosen.pin";
        CHECK(test.dialog(owner, path) == TRUE);
        CHECK(path == "C:\\chosen.pin");
        g_dialogChoice = nullptr;
        test.dialog(owner, path);
        REQUIRE(g_dialogCalls.size() == 3);
        for (const DialogCall& call : g_dialogCalls) {
            CHECK(call.record.lStructSize == tbm::kFileDialogStructSize);
            CHECK(call.record.hwndOwner == owner);
            CHECK(call.filter == filterPair(test.filter));
            CHECK(call.folder == gfl::Path::getModuleDirectoryCached() + "\\" + test.folder);
            CHECK(call.record.nMaxFile == MAX_PATH);
            CHECK(call.fileOnEntry.empty()); // emptied after the last choice
            CHECK(call.record.Flags == test.flags);
            CHECK(call.record.lpstrDefExt == nullptr);
        }
    }
    tbm::setOpenFileNameFunction(GetOpenFileNameA);
}

namespace {

// The dialog box the program shows, read and closed by a hook on this thread as
// soon as it is activated; a timer closes it with IDCANCEL should that not happen.
struct BoxCloser {
    static HHOOK hook;
    static HWND box;
    static std::string caption;
    static std::string text;

    static LRESULT CALLBACK onWindow(int code, WPARAM wParam, LPARAM lParam)
    {
        char read[256] = "";
        if (code == HCBT_ACTIVATE && !box && GetClassNameA(reinterpret_cast<HWND>(wParam), read, sizeof read)
            && std::string(read) == "#32770") {
            box = reinterpret_cast<HWND>(wParam);
            GetWindowTextA(box, read, sizeof read);
            caption = read;
            GetDlgItemTextA(box, 0xFFFF, read, sizeof read);
            text = read;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(hook, code, wParam, lParam);
    }
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        if (HWND shown = FindWindowA("#32770", nullptr))
            PostMessageA(shown, WM_COMMAND, IDCANCEL, 0);
    }
};
HHOOK BoxCloser::hook = nullptr;
HWND BoxCloser::box = nullptr;
std::string BoxCloser::caption;
std::string BoxCloser::text;

}

TEST_CASE("the editor's message boxes carry its message caption")
{
    HWND owner = fixture::Windows::get().frame;
    BoxCloser::hook = SetWindowsHookExA(WH_CBT, &BoxCloser::onWindow, nullptr, GetCurrentThreadId());
    REQUIRE(BoxCloser::hook != nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10000, &BoxCloser::onTimer);
    const int answer = tbm::systemUserInterface().showMessage(owner, "本文", MB_OK);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(BoxCloser::hook);
    CHECK(answer == IDOK);
    CHECK(BoxCloser::caption == "とぶれモデラー メッセージ");
    CHECK(BoxCloser::text == "本文");
}
