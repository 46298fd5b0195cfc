#pragma once

#include <map>
#include <string>

#include "options/convert_options.h"
#include "options/sheet/item_edit_dlg.h"
#include "options/sheet/option_page.h"
#include "options/string_table.h"

class DialogServices;
class QPushButton;
class QTreeWidget;

// What sets one list page apart from the others: its table and its texts.
struct ListPageDescription {
  std::map<std::string, std::string> ConvertOptions::*table;
  StringId captionId;  // string resource of the tab text
  const char* label;
  const char* keyHeader;
  const char* valueHeader;
  const char* editorCaption;
  const char* editorKeyLabel;
  const char* editorValueLabel;
  const char* note;
};

// A page that edits one key -> value table of the options as a two-column
// list. The rows are the only copy of the user's edits until OK; a new key
// that repeats a listed one, ignoring ASCII letter case, is refused.
class ListPage : public OptionPage {
 public:
  ListPage(const ListPageDescription& description, DialogServices& services, QWidget* parent);

  // Empties the table and refills it from the rows, first to last, so that of
  // exactly equal keys the lowest row's value stays.
  void Commit() override;

 private:
  void BuildControls();
  void OnInitDialog();
  void AddItem(const QString& key, const QString& value);
  void OnAdd();
  void OnModify();
  void OnDelete();
  void UpdateButtons();
  CItemEditDlg::Texts EditorTexts() const;

  const ListPageDescription& m_description;  // static data of the concrete page
  DialogServices& m_services;                // not owned; outlives the sheet
  // Owned through their Qt parent, this page.
  QTreeWidget* m_list = nullptr;
  QPushButton* m_addButton = nullptr;
  QPushButton* m_modifyButton = nullptr;
  QPushButton* m_deleteButton = nullptr;
};
