// The two dialogs of the recoding commands: the options dialog (direction and
// what to recode) and the direction dialog of the single-text command, their
// templates, and the exchange of their values with `recodeOptions`.
#include "host/acdocman.h"
#include "host/ui/afxwin.h"
#include "recode/recode.h"
#include "transkodo.h"

namespace {

enum : int {
    kTemplateOptions = 101,
    kTemplateDirection = 102,
    kModeList = 1001,
    kExtendedData = 1002,
    kSymbolTables = 1003,
    kTextEntities = 1004,
    kFilePaths = 1005,
    kEscapeUnicode = 1006,
    kEscapeMultibyte = 1007,
    kEscapePercent = 1008,
};

// The drop-down's items: the directions in RecodeMode order.
const ACHAR* const kModeItems[] = {recodeModeLabels[0],
                                   recodeModeLabels[1],
                                   recodeModeLabels[2],
                                   recodeModeLabels[3],
                                   recodeModeLabels[4],
                                   recodeModeLabels[5],
                                   nullptr};

#ifndef ARX_NARROW
const ArxDialogControl kOptionsControls[] = {
    {-1, kArxGroupBox, ACRX_T("Куда конвертировать ?"), 13, 13, 187, 26, nullptr},
    {kModeList, kArxDropDownList, nullptr, 20, 23, 173, 74, kModeItems},
    {-1, kArxGroupBox, ACRX_T("Что конвертировать ?"), 13, 41, 187, 68, nullptr},
    {kSymbolTables, kArxCheckBox, ACRX_T("&Символьные таблицы"), 19, 53, 91, 10, nullptr},
    {kTextEntities, kArxCheckBox, ACRX_T("&Текстовые примитивы"), 19, 67, 87, 10, nullptr},
    {kExtendedData, kArxCheckBox, ACRX_T("&Расширенные данные"), 19, 80, 87, 10, nullptr},
    {kFilePaths, kArxCheckBox, ACRX_T("&Пути к файлам"), 19, 93, 78, 10, nullptr},
    {kEscapeUnicode, kArxCheckBox, ACRX_T("&Символы \"\\U+XXXX\""), 111, 53, 80, 10, nullptr},
    {kEscapeMultibyte, kArxCheckBox, ACRX_T("&Символы \"\\M+XXXXX\""), 111, 67, 84, 10, nullptr},
    {kEscapePercent, kArxCheckBox, ACRX_T("&Символы \"%%nnn\""), 111, 80, 84, 10, nullptr},
    {IDOK, kArxDefPushButton, ACRX_T("Да"), 48, 112, 37, 14, nullptr},
    {IDCANCEL, kArxPushButton, ACRX_T("Отмена"), 129, 112, 37, 14, nullptr},
};
const ArxDialogTemplate kOptionsTemplate = {
    kTemplateOptions,
    ACRX_T("Transkodo"),
    214,
    131,
    kOptionsControls,
    static_cast<int>(sizeof kOptionsControls / sizeof kOptionsControls[0])};
#else
const ArxDialogControl kOptionsControls[] = {
    {-1, kArxGroupBox, ACRX_T("Куда конвертировать ?"), 13, 13, 116, 26, nullptr},
    {kModeList, kArxDropDownList, nullptr, 20, 23, 103, 74, kModeItems},
    {-1, kArxGroupBox, ACRX_T("Что конвертировать ?"), 13, 41, 116, 64, nullptr},
    {kSymbolTables, kArxCheckBox, ACRX_T("&Символьные таблицы"), 19, 55, 91, 10, nullptr},
    {kTextEntities, kArxCheckBox, ACRX_T("&Текстовые примитивы"), 19, 69, 103, 10, nullptr},
    {kExtendedData, kArxCheckBox, ACRX_T("&Расширенные данные"), 19, 83, 90, 10, nullptr},
    {IDOK, kArxDefPushButton, ACRX_T("Да"), 21, 114, 37, 14, nullptr},
    {IDCANCEL, kArxPushButton, ACRX_T("Отмена"), 84, 114, 37, 14, nullptr},
};
const ArxDialogTemplate kOptionsTemplate = {
    kTemplateOptions,
    ACRX_T("Transkodo"),
    142,
    133,
    kOptionsControls,
    static_cast<int>(sizeof kOptionsControls / sizeof kOptionsControls[0])};
#endif

const ArxDialogControl kDirectionControls[] = {
    {-1, kArxGroupBox, ACRX_T("Куда конвертировать ?"), 13, 13, 116, 26, nullptr},
    {kModeList, kArxDropDownList, nullptr, 20, 23, 103, 74, kModeItems},
    {IDOK, kArxDefPushButton, ACRX_T("Да"), 21, 51, 37, 14, nullptr},
    {IDCANCEL, kArxPushButton, ACRX_T("Отмена"), 84, 51, 37, 14, nullptr},
};
const ArxDialogTemplate kDirectionTemplate = {
    kTemplateDirection,
    ACRX_T("TranskodoStr"),
    142,
    70,
    kDirectionControls,
    static_cast<int>(sizeof kDirectionControls / sizeof kDirectionControls[0])};

// Makes the module's resources current for one dialog and restores the
// previous ones afterwards: the older build asks the document manager, the
// newer one sets the resource handle itself.
class ModuleResources {
  public:
    ModuleResources() {
#ifdef ARX_NARROW
        acDocManagerPtr()->pushResourceHandle(transkodoInstance());
#else
        previous_ = AfxGetResourceHandle();
        AfxSetResourceHandle(transkodoInstance());
#endif
    }
    ~ModuleResources() {
#ifdef ARX_NARROW
        acDocManagerPtr()->popResourceHandle();
#else
        AfxSetResourceHandle(previous_);
#endif
    }
    ModuleResources(const ModuleResources&) = delete;
    ModuleResources& operator=(const ModuleResources&) = delete;

  private:
#ifndef ARX_NARROW
    HINSTANCE previous_ = nullptr;
#endif
};

CWnd* mainWindow() {
    return CWnd::FromHandle(adsw_acadMainWnd());
}

int checkState(bool on) {
    return on ? 1 : 0;
}

}  // namespace

// The options dialog: the direction and the check boxes of the options.
class CConvertDLG : public CDialog {
  public:
    explicit CConvertDLG(CWnd* parent) : CDialog(kTemplateOptions, parent) {}

    int m_mode = 0;
    int m_symbolTables = 0;
    int m_textEntities = 0;
    int m_extendedData = 0;
#ifndef ARX_NARROW
    int m_filePaths = 0;
    int m_escapeUnicode = 0;
    int m_escapeMultibyte = 0;
    int m_escapePercent = 0;
#endif

  protected:
    void DoDataExchange(CDataExchange* dx) override {
        CDialog::DoDataExchange(dx);
        DDX_CBIndex(dx, kModeList, m_mode);
        DDX_Check(dx, kSymbolTables, m_symbolTables);
        DDX_Check(dx, kTextEntities, m_textEntities);
        DDX_Check(dx, kExtendedData, m_extendedData);
#ifndef ARX_NARROW
        DDX_Check(dx, kFilePaths, m_filePaths);
        DDX_Check(dx, kEscapeUnicode, m_escapeUnicode);
        DDX_Check(dx, kEscapeMultibyte, m_escapeMultibyte);
        DDX_Check(dx, kEscapePercent, m_escapePercent);
#endif
    }
};

// The direction dialog of the single-text command.
class CConvertStrDLG : public CDialog {
  public:
    explicit CConvertStrDLG(CWnd* parent) : CDialog(kTemplateDirection, parent) {}

    int m_mode = 0;

  protected:
    void DoDataExchange(CDataExchange* dx) override {
        CDialog::DoDataExchange(dx);
        DDX_CBIndex(dx, kModeList, m_mode);
    }
};

namespace {

// A drop-down index read back as a direction; anything outside the list keeps the old one.
RecodeMode modeOf(int index, RecodeMode previous) {
    return index >= 0 && index < recodeModeCount ? static_cast<RecodeMode>(index) : previous;
}

}  // namespace

bool showOptionsDialog() {
    ModuleResources resources;
    CConvertDLG dlg(mainWindow());
    RecodeOptions& o = recodeOptions;
    dlg.m_mode = o.mode;
    dlg.m_symbolTables = checkState(o.recodeSymbolTables);
    dlg.m_textEntities = checkState(o.recodeTextEntities);
    dlg.m_extendedData = checkState(o.recodeExtendedData);
#ifndef ARX_NARROW
    dlg.m_filePaths = checkState(o.recodeFilePaths);
    dlg.m_escapeUnicode = checkState(o.escapeUnicode);
    dlg.m_escapeMultibyte = checkState(o.escapeMultibyte);
    dlg.m_escapePercent = checkState(o.escapePercent);
#endif
    if (dlg.DoModal() != IDOK) return false;
    o.mode = modeOf(dlg.m_mode, o.mode);
    o.recodeSymbolTables = dlg.m_symbolTables != 0;
    o.recodeTextEntities = dlg.m_textEntities != 0;
    o.recodeExtendedData = dlg.m_extendedData != 0;
#ifndef ARX_NARROW
    o.recodeFilePaths = dlg.m_filePaths != 0;
    o.escapeUnicode = dlg.m_escapeUnicode != 0;
    o.escapeMultibyte = dlg.m_escapeMultibyte != 0;
    o.escapePercent = dlg.m_escapePercent != 0;
#endif
    return true;
}

bool showDirectionDialog() {
    ModuleResources resources;
    CConvertStrDLG dlg(mainWindow());
    dlg.m_mode = recodeOptions.mode;
    if (dlg.DoModal() != IDOK) return false;
    recodeOptions.mode = modeOf(dlg.m_mode, recodeOptions.mode);
    recodeOptions.recodeTextEntities = true;
    recodeOptions.recodeExtendedData = true;
    return true;
}

// The module's resources: its two dialog templates.
ARX_MODULE_EXPORT const ArxDialogTemplate* const ARX_DIALOG_RESOURCES[] = {
    &kOptionsTemplate, &kDirectionTemplate, nullptr};
