#include "shell/GestureMapDialog_win32.h"

#include <commdlg.h>

#include <cwchar>

#include "device/GestureMapFile.h"
#include "device/ParameterBlock.h"
#include "device/WinText_win32.h"
#include "engine/GestureTables.h"
#include "shell/LifeDispatch_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

uint16_t CurGesture;

namespace {

// The file dialogs' record and file name buffer. The name is kept, so the
// next dialog starts from the last file chosen.
constexpr DWORD kFileNameChars = MAX_PATH;
OPENFILENAMEW ofn;
wchar_t szFile[kFileNameChars];
// Display name and pattern pairs; the literal's own terminator ends the list.
constexpr wchar_t kMapFileFilter[] = L"All\0*.*\0Text\0*.TXT\0";

constexpr wchar_t kSaveFailedText[] = L"The gesture map could not be saved.";
constexpr wchar_t kNameTooLongText[] =
    L"The gesture map could not be saved: the file name is too long to write the new file beside it.";
// Longest table label plus its terminator.
constexpr size_t kLabelChars = 32;

void AddItem(HWND dialog, int comboId, const char* label) {
    // The labels are ASCII: each byte is its own wide character.
    wchar_t text[kLabelChars] = L"";
    for (size_t i = 0; label[i] != '\0' && i + 1 < kLabelChars; ++i) text[i] = static_cast<wchar_t>(label[i]);
    SendDlgItemMessageW(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// Selects the item of a map byte; a byte beyond the table (from a mapping
// file) selects nothing, so the box stays blank.
void SelectIndex(HWND dialog, int comboId, unsigned index, size_t itemCount) {
    const WPARAM item = index < itemCount ? index : static_cast<WPARAM>(-1);
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, item, 0);
}

// The selected item, or -1 when the box has no selection.
LRESULT Selection(HWND dialog, int comboId) {
    return SendDlgItemMessageW(dialog, comboId, CB_GETCURSEL, 0, 0);
}

// Shows entry CurGesture in the modifier and key boxes.
void ShowEntry(HWND dialog) {
    const GestureMapEntry& entry = LiveParams.GestureMap[CurGesture];
    SelectIndex(dialog, IDC_MODIFIER_COMBO, ReadField(entry.modifier), kModifierRowCount);
    SelectIndex(dialog, IDC_KEY_COMBO, ReadField(entry.key), kKeyRowCount);
}

// After Default or ClearAll: back to the first gesture. A gesture box that
// another program has emptied selects nothing, and nothing is shown.
void ShowFirstGesture(HWND dialog) {
    SelectIndex(dialog, IDC_GESTURE_COMBO, 0, kGestureNameCount);
    const LRESULT item = Selection(dialog, IDC_GESTURE_COMBO);
    if (item < 0 || item >= static_cast<LRESULT>(kGestureNameCount)) return;
    CurGesture = static_cast<uint16_t>(item);
    ShowEntry(dialog);
}

void OnInit(HWND dialog) {
    SetWindowTextW(dialog, LoadTextBuf(IDS_GESTURE_MAPPING));
    for (const char* name : Gest1) AddItem(dialog, IDC_GESTURE_COMBO, name);
    SelectIndex(dialog, IDC_GESTURE_COMBO, CurGesture, kGestureNameCount);
    for (const ModifierRow& row : ModKey) AddItem(dialog, IDC_MODIFIER_COMBO, row.label);
    for (const char* key : GenKey) AddItem(dialog, IDC_KEY_COMBO, key);
    ShowEntry(dialog);
}

void OnGestureBox(HWND dialog) {
    const LRESULT item = Selection(dialog, IDC_GESTURE_COMBO);
    if (item < 0 || item >= static_cast<LRESULT>(kGestureNameCount)) return;
    CurGesture = static_cast<uint16_t>(item);
    ShowEntry(dialog);
}

// A box without a selection (its entry's byte is beyond the table) stores
// nothing: the byte keeps its value until the user picks an item.
void StoreSelection(HWND dialog, int comboId, uint8_t& mapByte) {
    const LRESULT item = Selection(dialog, comboId);
    if (item >= 0) WriteField(mapByte, static_cast<uint8_t>(item));
}

void PrepareFileDialog(HWND dialog, DWORD flags) {
    ofn = OPENFILENAMEW{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = kMapFileFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = kFileNameChars;
    // The process's current folder stays where it was: a folder chosen on a
    // removable disk would otherwise keep that disk in use (the Save As
    // dialog heeds the flag; see CurrentFolderKept for the Open dialog).
    ofn.Flags = flags | OFN_NOCHANGEDIR;
}

// The system's text for an error code, or its number where it has none.
void ShowSystemError(HWND dialog, DWORD error) {
    std::wstring text = SystemErrorText(error);
    if (text.empty()) {
        wchar_t number[32];
        swprintf(number, 32, L"Error %lu", error);
        text = number;
    }
    MessageBoxW(dialog, text.c_str(), LoadCaptionBuf(IDS_ERROR), MB_OK | MB_ICONERROR);
}

// The process's current folder as it was, put back when this goes: the
// Open dialog moves it to the folder chosen (OFN_NOCHANGEDIR is documented
// as ineffective for GetOpenFileName).
class CurrentFolderKept {
public:
    CurrentFolderKept() {
        const DWORD length = GetCurrentDirectoryW(MAX_PATH, saved_);
        kept_ = length > 0 && length < MAX_PATH;
    }
    ~CurrentFolderKept() {
        if (kept_) SetCurrentDirectoryW(saved_);
    }
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

private:
    wchar_t saved_[MAX_PATH];
    bool kept_;
};

bool ChooseFileToOpen() {
    const CurrentFolderKept folder;
    return GetOpenFileNameW(&ofn) != FALSE;
}

// A file that cannot be opened or read leaves the map as it was.
void OnLoad(HWND dialog) {
    PrepareFileDialog(dialog, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    if (!ChooseFileToOpen()) return;
    if (const uint32_t error = LoadMapFile(szFile, LiveParams)) {
        ShowSystemError(dialog, error);
        return;
    }
    ShowEntry(dialog);
}

void OnSaveAs(HWND dialog) {
    PrepareFileDialog(dialog, OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT);
    if (!GetSaveFileNameW(&ofn)) return;
    const ReplaceOutcome saved = SaveMapFile(szFile, LiveParams);
    if (saved != ReplaceOutcome::Replaced)
        MessageBoxW(dialog, saved == ReplaceOutcome::NameTooLong ? kNameTooLongText : kSaveFailedText,
                    LoadCaptionBuf(IDS_ERROR), MB_OK);
}

void OnCommand(HWND dialog, WORD id) {
    // Every notification of a box acts, whatever its code.
    switch (id) {
    case IDC_GESTURE_COMBO:
        OnGestureBox(dialog);
        break;
    case IDC_MODIFIER_COMBO:
        StoreSelection(dialog, IDC_MODIFIER_COMBO, LiveParams.GestureMap[CurGesture].modifier);
        break;
    case IDC_KEY_COMBO:
        StoreSelection(dialog, IDC_KEY_COMBO, LiveParams.GestureMap[CurGesture].key);
        break;
    case IDM_MAP_LOAD:
        OnLoad(dialog);
        break;
    case IDM_MAP_SAVE_AS:
        OnSaveAs(dialog);
        break;
    case IDM_MAP_DEFAULT:
        WriteGestureMap(LiveParams, DefaultParams.GestureMap);
        ShowFirstGesture(dialog);
        break;
    case IDM_MAP_CLEAR_ALL:
        WriteGestureMap(LiveParams, GestureMapTable{});
        ShowFirstGesture(dialog);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK GestureMapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        // The block goes to the driver only from the console's copy.
        Dispatch(LifeEvent{LifeEventKind::EditorClosed});
        EndDialog(dialog, 1);
        return FALSE;
    default:
        return FALSE;
    }
}
