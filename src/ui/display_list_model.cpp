#include "ui/display_list_model.h"

namespace v7400 {

int DisplayListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant DisplayListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() ||
      static_cast<std::size_t>(index.row()) >= entries_.size()) {
    return {};
  }
  // Entries are 8-bit text; every byte shows as one character.
  const std::string& entry = entries_[static_cast<std::size_t>(index.row())];
  return QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()));
}

void DisplayListModel::BeginAppend() {
  const int row = static_cast<int>(entries_.size());
  beginInsertRows(QModelIndex(), row, row);
}

}  // namespace v7400
