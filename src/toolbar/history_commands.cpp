// The search box's list that shows the search history, and the history
// commands of the search box's menu.
#include <utility>

#include "config/registry_store.h"
#include "config/text_file.h"
#include "config/toolbar_config.h"
#include "nav/navigation.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/user_interface.h"
#include "toolbar/search_history.h"
#include "toolbar/toolbar_form.h"

namespace pq {
namespace {

constexpr char kClearQuestion[] = "Are you sure you want to clear history?";
constexpr char kNothingToRemove[] = "Nothing to Remove.";
constexpr char kFileError[] = "File I/O error.";
constexpr char kErrorCaption[] = "Error";
constexpr char kSaveTitle[] = "Save Searches To File";
constexpr char kLoadTitle[] = "Load Searches From File";

}  // namespace

void TToolbarForm::LoadHistory() {
  // Without history the file is neither read nor written, and the commands
  // that work on it stay disabled.
  if (!permissions_.use_history) return;
  // Made first: once the start-up reached the history, its commands are ready.
  history_ = std::make_unique<SearchHistory>();
  // The box's list is empty at start: it becomes the history as read.
  SetSearchList(history_->Load(platform_));
}

void TToolbarForm::AddToHistory() {
  // A window whose start-up never reached the history keeps away from it.
  if (!history_ || !permissions_.record_history) return;
  // Listing the history keeps the field's text as it is.
  const std::string text = view_.SearchText();
  // The file holds an entry a line: a text of several lines would come back
  // as several searches nobody made.
  if (text.find_first_of("\r\n") != std::string::npos) return;
  EndCompletion();
  NoteRecentSearch(text);
  SetSearchList(history_->Merge(search_list_));
  int insert_at = 0;
  if (FindSorted(search_list_, text, &insert_at) < 0) {
    search_list_.Insert(insert_at, text);
    view_.InsertSearchEntry(insert_at, text);
  } else if (history_->Holds(text)) {
    return;  // a known text writes nothing
  }
  // A text whose write failed before is written now.
  history_->Write(search_list_);
}

void TToolbarForm::SaveSearchState() {
  // Construction that stopped early restored neither; what the last whole
  // window saved stays.
  if (!search_state_restored_ || !SearchItem) return;
  const std::string type = std::to_string(SearchItem->Tag);
  if (restored_search_type_.Saves(platform_, kSearchTypeValue, type))
    WriteSetting(kSearchTypeValue, type);
  if (!permissions_.use_history) {
    // Without history the text saved before the policy came goes too.
    WriteSetting(kSearchTextValue, std::string());
  } else if (permissions_.save_search_text) {
    const std::string text = view_.SearchText();
    if (restored_search_text_.Saves(platform_, kSearchTextValue, text))
      WriteSetting(kSearchTextValue, text);
  }
}

bool TToolbarForm::RestoredSetting::Saves(Platform& platform, const char* name,
                                          const std::string& now) const {
  return now != shown || ReadToolbarSetting(platform, name) == stored;
}

void TToolbarForm::SetSearchList(TStringList entries) {
  // The list shows the history from here on.
  EndCompletion();
  // Filling a long list costs the view far more than comparing it.
  if (SameEntries(entries, search_list_)) return;
  search_list_ = std::move(entries);
  view_.ShowSearchList(search_list_);
}

void TToolbarForm::miClearSearchesClick(TComponent&) {
  if (!history_) return;
  if (platform_.ui->ShowMessageBox(kClearQuestion, kConfirmCaption, kMbYesNo | kMbIconQuestion) !=
      kIdYes)
    return;
  SetSearchList(TStringList());
  history_->Write(search_list_);
}

void TToolbarForm::miRemoveSelectedClick(TComponent&) {
  if (!history_) return;
  int selected = view_.SearchSelectedIndex();
  if (completion_.shown) {
    // The entry chosen among the completions, found in the whole history.
    const std::string chosen =
        selected >= 0 && selected < completion_.entries.Count()
            ? std::string(completion_.entries[selected])
            : std::string();
    EndCompletion();
    selected = chosen.empty() ? -1 : FindSorted(search_list_, chosen);
  }
  if (selected < 0 || selected >= search_list_.Count()) {
    platform_.ui->ShowMessageBox(kNothingToRemove, ToolbarConfig.ToolbarName, kMbOk);
    return;
  }
  // The file as it is now, with what other windows added meanwhile, loses
  // the entry; the rest of this window's list is written with it.
  const std::string removed(search_list_[selected]);
  SetSearchList(history_->Merge(search_list_));
  selected = FindSorted(search_list_, removed);
  if (selected >= 0) {
    search_list_.Delete(selected);
    view_.DeleteSearchEntry(selected);
  }
  // The merge looked again which file is in force.
  history_->Write(search_list_);
}

void TToolbarForm::miSaveSearchesClick(TComponent&) {
  FileDialogSettings& dialog = SaveDialog1->Settings;
  dialog.Title = kSaveTitle;
  if (!platform_.ui->ExecuteFileDialog(dialog)) return;
  try {
    WriteLinesFile(dialog.FileName, search_list_);
  } catch (const InOutError&) {
    platform_.ui->ShowMessageBox(kFileError, kErrorCaption, kMbOk | kMbIconError);
  }
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
  if (!history_) return;
  history_->Resolve();
  ShellOpen(platform_, history_->FileName());
}

void TToolbarForm::miRefreshSearchesClick(TComponent&) {
  if (!history_) return;
  TStringList entries;
  if (history_->Read(false, entries)) SetSearchList(std::move(entries));
}

}  // namespace pq
