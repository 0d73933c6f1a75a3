// The search history: the history file shared by all toolbar windows, the
// search box's list that shows it, and the history commands of the search
// box's menu.
#include <utility>

#include "config/registry_store.h"
#include "config/text_file.h"
#include "config/toolbar_config.h"
#include "nav/navigation.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/user_interface.h"
#include "toolbar/search_history.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

constexpr char kInstallPathValue[] = "InstallPath";
constexpr char kHistorySuffix[] = ".txt";
// Below the user's data folder, the folder of each toolbar's own.
constexpr char kUserFolder[] = "\\Pelliquester\\";

constexpr char kClearQuestion[] = "Are you sure you want to clear history?";
constexpr char kNothingToRemove[] = "Nothing to Remove.";
constexpr char kFileError[] = "File I/O error.";
constexpr char kErrorCaption[] = "Error";
constexpr char kSaveTitle[] = "Save Searches To File";
constexpr char kLoadTitle[] = "Load Searches From File";

}  // namespace

void TToolbarForm::LoadHistory() {
  const ToolbarConfigRecord& config = ToolbarConfig;
  HistoryList = std::make_unique<TStringList>();
  RegVariant install_path;
  GetRegistryData(platform_, RegRoot::LocalMachine, config.BandKeyPath, kInstallPathValue,
                  install_path);
  std::string folder = VariantToText(install_path);
  if (folder.empty()) folder = platform_.desktop->ProgramDirectory();
  const std::string file_name = config.ToolbarName + kHistorySuffix;
  history_install_file_ = folder + "\\" + file_name;
  const std::string user_data = platform_.desktop->UserDataFolder();
  if (!user_data.empty()) {
    history_user_folder_ = user_data + kUserFolder + config.ToolbarName;
    history_user_file_ = history_user_folder_ + "\\" + file_name;
  }
  ReadHistoryFile(true, *HistoryList);
  // The box's list is empty at start: it becomes the history as read.
  SetSearchList(*HistoryList);
}

void TToolbarForm::AddToHistory() {
  // A window whose start-up never reached the history keeps away from it.
  if (!HistoryList) return;
  ReadHistoryFile(true, *HistoryList);
  *HistoryList = MergeUnique(*HistoryList, search_list_);
  SetSearchList(*HistoryList);
  const std::string text = view_.SearchText();
  int insert_at = 0;
  if (FindSorted(search_list_, text, &insert_at) >= 0) return;
  search_list_.Insert(insert_at, text);
  view_.InsertSearchEntry(insert_at, text);
  WriteHistoryFile();
}

void TToolbarForm::SaveSearchState() {
  // Construction that stopped early restored neither; what the last whole
  // window saved stays.
  if (!search_state_restored_ || !SearchItem) return;
  WriteSetting(kSearchTypeValue, std::to_string(SearchItem->Tag));
  WriteSetting(kSearchTextValue, view_.SearchText());
}

void TToolbarForm::SetSearchList(TStringList entries) {
  // Filling a long list costs the view far more than comparing it.
  if (SameEntries(entries, search_list_)) return;
  search_list_ = std::move(entries);
  view_.ShowSearchList(search_list_);
}

void TToolbarForm::ResolveHistoryFile() {
  // Another window may have moved the history to the user's copy meanwhile.
  HistoryFileName = !history_user_file_.empty() && Files().Exists(history_user_file_)
                        ? history_user_file_
                        : history_install_file_;
}

bool TToolbarForm::ReadHistoryFile(bool unique, TStringList& entries) {
  ResolveHistoryFile();
  if (!Files().Exists(HistoryFileName)) return false;
  entries = SortedEntries(ReadLinesFile(HistoryFileName), unique);
  return true;
}

void TToolbarForm::WriteHistoryFile() {
  try {
    WriteLinesFile(HistoryFileName, search_list_);
  } catch (const FileAccessDenied&) {
    if (history_user_file_.empty() || HistoryFileName == history_user_file_ ||
        !Files().CreateFolder(history_user_folder_))
      throw;
    WriteLinesFile(history_user_file_, search_list_);
    HistoryFileName = history_user_file_;
  }
}

void TToolbarForm::miClearSearchesClick(TComponent&) {
  if (!HistoryList) return;
  if (platform_.ui->ShowMessageBox(kClearQuestion, kConfirmCaption, kMbYesNo | kMbIconQuestion) !=
      kIdYes)
    return;
  SetSearchList(TStringList());
  WriteHistoryFile();
}

void TToolbarForm::miRemoveSelectedClick(TComponent&) {
  if (!HistoryList) return;
  const int selected = view_.SearchSelectedIndex();
  if (selected < 0 || selected >= search_list_.Count()) {
    platform_.ui->ShowMessageBox(kNothingToRemove, ToolbarConfig.ToolbarName, kMbOk);
    return;
  }
  search_list_.Delete(selected);
  view_.DeleteSearchEntry(selected);
  ResolveHistoryFile();
  WriteHistoryFile();
}

void TToolbarForm::miSaveSearchesClick(TComponent&) {
  FileDialogSettings& dialog = SaveDialog1->Settings;
  dialog.Title = kSaveTitle;
  if (!platform_.ui->ExecuteFileDialog(dialog)) return;
  if (ReplaceFileContents(dialog.FileName, search_list_.Text()) != FileWriteResult::Written)
    platform_.ui->ShowMessageBox(kFileError, kErrorCaption, kMbOk | kMbIconError);
}

void TToolbarForm::miLoadSearchesClick(TComponent&) {
  FileDialogSettings& dialog = OpenDialog1->Settings;
  dialog.Title = kLoadTitle;
  if (!platform_.ui->ExecuteFileDialog(dialog)) return;
  TStringList lines;
  try {
    lines = ReadLinesFile(dialog.FileName);
  } catch (const InOutError&) {
    platform_.ui->ShowMessageBox(kFileError, kErrorCaption, kMbOk | kMbIconError);
    return;
  }
  // Every line becomes an entry, duplicates and empty ones too.
  SetSearchList(SortedEntries(lines, false));
}

void TToolbarForm::miEditHistoryClick(TComponent&) {
  if (!HistoryList) return;
  ResolveHistoryFile();
  ShellOpen(platform_, HistoryFileName);
}

void TToolbarForm::miRefreshSearchesClick(TComponent&) {
  if (!HistoryList) return;
  TStringList entries;
  if (ReadHistoryFile(false, entries)) SetSearchList(std::move(entries));
}

}  // namespace pq
