#pragma once
// The open and save dialogs: the platform's explorer-style common dialogs, resizable and hooked,
// driven by an options record and answering with the framework's window result codes. The save
// dialog completes a name typed without extension from the filter shown. Also the callback of
// the platform's folder picker.

#include "afw/core/afMainLoop.h"
#include "afw/dialog/afFileFilter.h"
#include "afw/window/afWindow.h"

#include <commdlg.h>
#include <memory>
#include <string>
#include <vector>

class afDialogFileBase : public afWindow {
public:
    // Characters of the file buffer; the platform is told one less.
    static constexpr size_t BUFFER_SIZE = 65536;
    // The save dialog's file name box.
    static constexpr int NAME_BOX_ID = 1148;

    explicit afDialogFileBase(afViewPlatform* owner = nullptr);
    ~afDialogFileBase() override;

    // RESULT_OK when the user confirmed; RESULT_CANCEL when cancelled or the platform failed.
    uint32_t run(afFileDialogOptions& options);

    afFileFilter* getCurrentFilter() const;
    afFileFilter* getInitialFilter() const;
    afFileDialogOptions* getOptions() const { return m_options; }
    const wchar_t* getFileBuffer() const { return m_fileBuffer.get(); }

    // ---- The steps of a run, apart from the platform's modal call
    // "Title (*.a; *.b)" NUL "*.a; *.b" NUL per filter.
    static std::wstring buildFilterText(const afFileFilters& filters);
    // The key of the first filter with fileName's extension (case ignored); 0 when none.
    static uint32_t keyForExtension(const afFileFilters& filters, const std::wstring& fileName);
    // The 1-based position of the filter with the key; 1 when none has it.
    static uint32_t filterPosition(const afFileFilters& filters, uint32_t key);
    // A multi-selection buffer (folder NUL name NUL ... NUL NUL, or one full path) as paths.
    static void splitSelection(const wchar_t* buffer, size_t capacity, std::vector<std::wstring>& o_paths);
    // Fills the record and the buffer for the options as run does.
    void prepare(afFileDialogOptions& options, OPENFILENAMEW& o_record, std::wstring& o_filterText);
    // What run does with the platform's answer.
    uint32_t finish(const OPENFILENAMEW& record, BOOL answer);

    // The dialog hook of both dialogs (type change, file OK).
    static UINT_PTR CALLBACK hook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Whether the name the user confirmed may be taken; false keeps the dialog open.
    virtual bool onFileOk(HWND dialog, OPENFILENAMEW* record);
    // The platform's modal call: its answer (nonzero when the user confirmed).
    virtual BOOL runPlatformDialog(OPENFILENAMEW* record) = 0;

    uint32_t m_currentFilter = 0;
    uint32_t m_initialFilter = 0;

private:
    void onNotify(HWND dialog, const OFNOTIFYW* notify);

    afFileDialogOptions* m_options = nullptr;
    std::unique_ptr<wchar_t[]> m_fileBuffer;
    // The hold of the run, told the dialog's window once it shows.
    afMainLoop::Hold* m_hold = nullptr;
};

class afDialogFileOpen : public afDialogFileBase {
public:
    using afDialogFileBase::afDialogFileBase;

protected:
    BOOL runPlatformDialog(OPENFILENAMEW* record) override;
};

class afDialogFileSave : public afDialogFileBase {
public:
    using afDialogFileBase::afDialogFileBase;

    uint32_t getConfirmCount() const { return m_confirmCount; }
    // The completion of a name typed without extension: accepts it (true), or puts the
    // completed name in the dialog's name box and keeps the dialog open.
    bool onFileOk(HWND dialog, OPENFILENAMEW* record) override;

protected:
    BOOL runPlatformDialog(OPENFILENAMEW* record) override;

private:
    uint32_t m_confirmCount = 0;
};

// What the folder picker's callback is given: the folder to select first and the title, each
// optional (empty).
struct afBrowseFolderData {
    std::wstring folder;
    std::wstring title;
};

// The folder picker's callback (data: an afBrowseFolderData or 0): drops the help button,
// selects the folder and sets the title; allows OK only on an existing file-system folder that
// is no shell link.
int CALLBACK afBrowseFolderCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);
