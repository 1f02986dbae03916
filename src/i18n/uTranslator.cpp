#include "i18n/uTranslator.h"

#include <windows.h>

#include <iterator>

#include "base/uHandles.h"
#include "base/uUnicode.h"

namespace mvn {

namespace {

struct TCatalogueEntry {
  const char* Key;
  const char* Zh;
  const char* En;
};

// Texts that are followed by more (a path, an error message) carry their own
// colon and, where one is wanted, the trailing blank: callers concatenate
// directly. "%d" / "%s" are filled by the caller; "&" marks an accelerator.
constexpr TCatalogueEntry CCatalogue[] = {
    {"about.title",
     "关于",
     "About"},
    {"about.checkUpdate",
     "检查更新(&U)",
     "Check Update (&U)"},
    {"about.checking",
     "检查中…",
     "Checking…"},
    {"about.website",
     "官网",
     "Website"},
    {"about.email",
     "邮箱",
     "Email"},
    {"about.checkFailed",
     "检查更新失败",
     "Check update failed"},
    {"about.privacyPolicy",
     "隐私政策(&P)",
     "Privacy Policy (&P)"},
    {"update.title",
     "发现新版本",
     "Update available"},
    {"update.downloading",
     "正在下载…",
     "Downloading…"},
    {"update.later",
     "稍后(&L)",
     "Later (&L)"},
    {"update.checking",
     "正在检查更新…",
     "Checking for updates…"},
    {"update.current",
     "当前版本",
     "Current version"},
    {"update.new",
     "最新版本",
     "Latest version"},
    {"update.download",
     "下载(&D)",
     "Download (&D)"},
    {"update.please_wait",
     "请稍候…",
     "Please wait…"},
    {"update.cancel",
     "取消(&C)",
     "Cancel (&C)"},
    {"update.latest",
     "已是最新版本",
     "Already up to date"},
    {"common.ok",
     "确定(&O)",
     "OK (&O)"},
    {"common.cancel",
     "取消(&C)",
     "Cancel (&C)"},
    {"common.close",
     "关闭(&L)",
     "Close (&L)"},
    {"common.yes",
     "是(&Y)",
     "Yes (&Y)"},
    {"common.no",
     "否(&N)",
     "No (&N)"},
    {"common.prompt",
     "提示",
     "Prompt"},
    {"common.copy",
     "复制(&C)",
     "Copy (&C)"},
    {"tb.batch_replace",
     "批量替换",
     "Batch Replace"},
    {"tb.batch_replace_tip",
     "选择替换方案并批量替换当前选中单元格",
     "Select scheme and batch replace selected cells"},
    {"tb.scheme_manage",
     "方案管理",
     "Scheme Manager"},
    {"tb.scheme_manage_tip",
     "新建、编辑、删除批量替换方案",
     "Create, edit, delete batch replace schemes"},
    {"tb.settings",
     "设置",
     "Settings"},
    {"tb.settings_tip",
     "调整匹配与提示等选项",
     "Adjust matching and prompt options"},
    {"tb.about",
     "关于",
     "About"},
    {"tb.about_tip",
     "关于 Morvane",
     "About Morvane"},
    {"ribbon.tab",
     "Morvane",
     "Morvane"},
    {"ribbon.group",
     "批量替换",
     "Batch Replace"},
    {"ribbon.replace",
     "执行替换",
     "Run Replace"},
    {"ribbon.replace_tip",
     "选择替换方案并批量替换当前选中单元格",
     "Select scheme and batch replace selected cells"},
    {"ribbon.scheme",
     "方案管理",
     "Scheme Manager"},
    {"ribbon.scheme_tip",
     "新建、编辑、删除批量替换方案",
     "Create, edit, delete batch replace schemes"},
    {"ribbon.settings",
     "设置",
     "Settings"},
    {"ribbon.settings_tip",
     "调整匹配与提示等选项",
     "Adjust matching and prompt options"},
    {"ribbon.about",
     "关于",
     "About"},
    {"ribbon.about_tip",
     "关于 Morvane",
     "About Morvane"},
    {"ss.title",
     "选择替换方案",
     "Select Replace Scheme"},
    {"ss.col_name",
     "方案名称",
     "Scheme Name"},
    {"ss.col_desc",
     "说明",
     "Description"},
    {"ss.all",
     "全部方案",
     "All Schemes"},
    {"ss.placeholder",
     "搜索...",
     "Search..."},
    {"sm.title",
     "方案管理",
     "Scheme Manager"},
    {"sm.col_name",
     "名称",
     "Name"},
    {"sm.col_desc",
     "说明",
     "Description"},
    {"sm.col_csv",
     "CSV文件",
     "CSV File"},
    {"sm.col_source",
     "源列",
     "Source Col"},
    {"sm.col_target",
     "目标列",
     "Target Col"},
    {"sm.col_path",
     "路径",
     "Path"},
    {"sm.btn_new",
     "新建(&N)",
     "New (&N)"},
    {"sm.btn_edit",
     "编辑(&E)",
     "Edit (&E)"},
    {"sm.btn_delete",
     "删除(&D)",
     "Delete (&D)"},
    {"sm.btn_open_dir",
     "打开数据目录(&O)",
     "Open Data Dir (&O)"},
    {"sm.btn_close",
     "关闭(&C)",
     "Close (&C)"},
    {"sm.select_first",
     "请先在列表中选择一个方案。",
     "Please select a scheme from the list first."},
    {"sm.confirm_delete",
     "确认删除",
     "Confirm Delete"},
    {"sm.delete_msg",
     "确定要删除方案\"%s\"吗？",
     "Delete scheme \"%s\"?"},
    {"sm.data_dir_missing",
     "数据目录不存在。",
     "Data directory does not exist."},
    {"se.title",
     "编辑方案",
     "Edit Scheme"},
    {"se.name",
     "名称：",
     "Name:"},
    {"se.desc",
     "说明：",
     "Description:"},
    {"se.path",
     "路径：",
     "Path:"},
    {"se.path_hint",
     "多级路径用 \\ 分隔，如：总公司\\华东区",
     "Separate multi-level paths with \\, e.g.: Corp\\East"},
    {"se.csv_file",
     "CSV 文件：",
     "CSV File:"},
    {"se.browse",
     "浏览导入…(&B)",
     "Browse & Import…"},
    {"se.source_col",
     "源字段列：",
     "Source Column:"},
    {"se.target_col",
     "目标字段列：",
     "Target Column:"},
    {"se.preview",
     "替换预览：",
     "Replace Preview:"},
    {"se.error_csv",
     "读取 CSV 失败",
     "Failed to read CSV"},
    {"se.import_title",
     "选择要导入的 CSV 文件",
     "Select CSV file to import"},
    {"se.file_exists",
     "文件已存在",
     "File already exists"},
    {"se.file_exists_msg",
     "数据目录中已存在同名文件\"%s\"，是否覆盖？",
     "File \"%s\" already exists in data dir, overwrite?"},
    {"se.copy_failed",
     "复制失败",
     "Copy failed"},
    {"se.copy_failed_msg",
     "无法复制 CSV 文件到数据目录：%s",
     "Cannot copy CSV to data dir: %s"},
    {"se.enter_name",
     "请输入方案名称。",
     "Please enter a scheme name."},
    {"se.name_exists",
     "已存在同名方案\"%s\"，请更换名称。",
     "Scheme \"%s\" already exists, choose another name."},
    {"se.select_csv",
     "请选择方案对应的 CSV 文件。",
     "Please select a CSV file for the scheme."},
    {"se.select_columns",
     "请选择源字段列和目标字段列。",
     "Please select source and target columns."},
    {"se.same_column",
     "源字段列与目标字段列不能相同。",
     "Source and target columns cannot be the same."},
    {"cfg.title",
     "设置",
     "Settings"},
    {"cfg.data_dir",
     "CSV 存放路径：",
     "CSV storage path:"},
    {"cfg.browse",
     "浏览(&B)",
     "Browse (&B)"},
    {"cfg.data_dir_hint",
     "默认路径：当前安装目录下的 Data 子目录",
     "Default: Data subdirectory under install path"},
    {"cfg.hotkey",
     "全局快捷键：",
     "Global hotkey:"},
    {"cfg.hotkey_hint",
     "点击后按键盘组合键设置，留空禁用",
     "Press key combination to set, leave empty to disable"},
    {"cfg.clear_hotkey",
     "清除(&E)",
     "Clear (&C)"},
    {"ro.title",
     "替换选项",
     "Replace Options"},
    {"ro.case_sensitive",
     "区分大小写",
     "Case sensitive"},
    {"ro.trim",
     "去除首尾空格",
     "Trim whitespace"},
    {"ro.partial_match",
     "部分匹配（取消勾选为整词匹配）",
     "Partial match (uncheck for whole match)"},
    {"ro.show_summary",
     "替换后显示摘要",
     "Show summary after replace"},
    {"ro.confirm_large",
     "大量单元格确认",
     "Confirm large selection"},
    {"ro.max_cells",
     "最大单元格数：",
     "Max cells:"},
    {"app.confirm_execute",
     "确认执行",
     "Confirm"},
    {"app.large_selection",
     "当前选区共有 %d 个单元格，数据量较大。是否继续？",
     "Selection has %d cells, which is large. Continue?"},
    {"app.replace_done",
     "替换完成",
     "Replace Complete"},
    {"app.scheme_name",
     "方案：%s",
     "Scheme: %s"},
    {"app.areas",
     "选区区域数：%d",
     "Areas: %d"},
    {"app.cells_read",
     "读取单元格：%d",
     "Cells read: %d"},
    {"app.cells_matched",
     "匹配单元格：%d",
     "Cells matched: %d"},
    {"app.cells_replaced",
     "实际替换单元格：%d",
     "Cells replaced: %d"},
    {"app.error",
     "操作失败",
     "Operation failed"},
    {"re.read_fail",
     "读取区域行列失败：",
     "Failed to read range rows/cols:"},
    {"re.write_fail",
     "写回 Excel 失败：",
     "Failed to write back to Excel:"},
    {"re.no_scheme",
     "未指定替换方案。",
     "No replace scheme specified."},
    {"re.no_csv",
     "方案对应的 CSV 文件不存在：",
     "CSV file for scheme does not exist:"},
    {"re.source_col_err",
     "源字段列号超出 CSV 的列数（共 %d 列）。",
     "Source column index exceeds CSV column count (%d cols)."},
    {"re.target_col_err",
     "目标字段列号超出 CSV 的列数（共 %d 列）。",
     "Target column index exceeds CSV column count (%d cols)."},
    {"re.no_selection",
     "无法获取当前选区，请先在 Excel 中选择要替换的单元格区域。",
     "Cannot get selection, please select cells in Excel first."},
    {"re.empty_selection",
     "当前没有选中的单元格区域。",
     "No cells selected."},
    {"re.execute_fail",
     "替换执行失败：",
     "Replace execution failed:"},
    {"csv.read_fail",
     "无法读取 CSV 文件：",
     "Cannot read CSV file:"},
    {"csv.col_header",
     "第%d列",
     "Column %d"},
    {"gl.unhandled",
     "发生未处理的异常：",
     "Unhandled exception:"},
    {"gl.type",
     "类型：",
     "Type:"},
    {"gl.message",
     "消息：",
     "Message:"},
    {"se.open_dir",
     "打开数据目录(&D)",
     "Open Data Dir (&D)"},
    {"se.preview_empty",
     "（请先选择 CSV 文件）",
     "(Select a CSV file first)"},
    {"se.preview_stats",
     "CSV 共 %d 行，%d 列；表头：是",
     "CSV: %d rows, %d columns; header: yes"},
    {"se.preview_limit",
     "（预览仅显示前 30 条）",
     "(Preview shows first 30 rows only)"},
    {"se.csv_filter",
     "CSV 文件 (*.csv)|*.csv|所有文件 (*.*)|*.*",
     "CSV files (*.csv)|*.csv|All files (*.*)|*.*"},
    {"gl.source",
     "来源：",
     "Source: "},
    {"gl.error_title",
     "Morvane 异常",
     "Morvane Error"},
    {"gl.sample_fail_title",
     "创建示例数据失败",
     "Failed to create sample data"},
    {"gl.sample_fail_write",
     "无法写入文件：%s",
     "Cannot write file: %s"},
    {"app.sample_name",
     "示例：地名中英对照",
     "Sample: Chinese-English City Names"},
    {"app.sample_desc",
     "将常用中国城市中文名替换为英文名（演示用，可在方案管理中删除）",
     "Replaces common Chinese city names with English (demo, can be deleted in Scheme Manager)"},
    {"app.sample_path",
     "示例",
     "Sample"},
    {"app.sample_csv",
     "示例_地名中英替换.csv",
     "sample_city_names.csv"},
    {"app.sample_header",
     "源值,目标值",
     "Source,Target"},
    {"csv.file_missing",
     "CSV 文件不存在：",
     "CSV file does not exist: "},
    {"re.no_data_rows",
     "CSV 文件没有可用的数据行。",
     "CSV file has no usable data rows."},
    {"about.privacy_res_missing",
     "未找到隐私政策资源。",
     "Privacy policy resource not found."},
    {"about.privacy_load_fail",
     "加载隐私政策资源失败。",
     "Failed to load privacy policy resource."},
};

constexpr size_t CCatalogueCount = std::size(CCatalogue);

// Raw pointer rather than a smart one: TLang may run from other objects'
// destructors during unload, after a static smart pointer would already be
// gone. A translator recreated that late is left to the process exit.
TTranslator* GTranslator = nullptr;

// The registry override, converted to UTF-8; empty when it cannot be read.
// The value's type is not checked. Values that do not fit in 32 UTF-16 units
// (terminator included) are treated as absent.
std::string ReadLocaleOverride() {
  TRegKey Key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Morvane", 0, KEY_READ, Key.Put()) != ERROR_SUCCESS) return {};
  wchar_t Buffer[32] = {};
  DWORD Size = sizeof(Buffer);
  if (RegQueryValueExW(Key.Get(), L"Locale", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(Buffer), &Size) != ERROR_SUCCESS)
    return {};
  // The stored data need not be terminated: stop at the first NUL or at the
  // end of what was read, whichever comes first.
  size_t Limit = Size / sizeof(wchar_t);
  if (Limit > std::size(Buffer)) Limit = std::size(Buffer);
  size_t Length = 0;
  while (Length < Limit && Buffer[Length] != L'\0') ++Length;
  return WideToUtf8(std::wstring_view(Buffer, Length));
}

}  // namespace

TLocale DetectLocale() {
  try {
    const std::string Override = ReadLocaleOverride();
    if (Override == "zh") return loZh;
    if (Override == "en") return loEn;
  } catch (...) {
    // Only allocation can fail here; fall back to the Windows language.
  }
  // Low byte 4 is Chinese in every variant; all of them get the simplified
  // texts.
  if ((GetUserDefaultLangID() & 0xFF) == LANG_CHINESE) return loZh;
  return loEn;
}

TTranslator::TTranslator() : FLocale(DetectLocale()) {}

TTranslator::TTranslator(TLocale ALocale) : FLocale(ALocale) {}

std::string TTranslator::T(std::string_view AKey) const {
  for (const TCatalogueEntry& Entry : CCatalogue) {
    if (AKey == Entry.Key) return FLocale == loEn ? Entry.En : Entry.Zh;
  }
  return std::string(AKey);
}

void EnsureTranslator() {
  if (!GTranslator) GTranslator = new TTranslator();
}

void FreeTranslator() {
  delete GTranslator;
  GTranslator = nullptr;
}

std::string TLang(std::string_view AKey) {
  try {
    EnsureTranslator();
    return GTranslator->T(AKey);
  } catch (...) {
  }
  try {
    return std::string(AKey);
  } catch (...) {
    return {};
  }
}

std::string LocaleCode() {
  EnsureTranslator();
  return GTranslator->Locale() == loZh ? "zh" : "en";
}

size_t CatalogueCount() { return CCatalogueCount; }

const char* CatalogueKey(size_t AIndex) {
  return AIndex < CCatalogueCount ? CCatalogue[AIndex].Key : nullptr;
}

const char* CatalogueZh(size_t AIndex) {
  return AIndex < CCatalogueCount ? CCatalogue[AIndex].Zh : nullptr;
}

const char* CatalogueEn(size_t AIndex) {
  return AIndex < CCatalogueCount ? CCatalogue[AIndex].En : nullptr;
}

}  // namespace mvn
