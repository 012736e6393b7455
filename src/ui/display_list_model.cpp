#include "ui/display_list_model.h"

#include <algorithm>

namespace v7400 {

int DisplayListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

QVariant DisplayListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  // Rows that left the store but not the view yet show empty until the next Sync.
  const long long entry_index = static_cast<long long>(index.row()) - stale_front_;
  if (entry_index < 0 || static_cast<std::size_t>(entry_index) >= entries_.size()) return {};
  // Entries are 8-bit text; every byte shows as one character.
  const std::string& entry = entries_[static_cast<std::size_t>(entry_index)];
  return QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()));
}

void DisplayListModel::Sync() {
  if (InStep()) return;
  const int removed = std::min(stale_front_, shown_);
  if (removed > 0) {
    beginRemoveRows(QModelIndex(), 0, removed - 1);
    shown_ -= removed;
    stale_front_ -= removed;
    endRemoveRows();
  }
  // Entries appended and dropped again between two refreshes never reach the view.
  pending_appends_ -= stale_front_;
  stale_front_ = 0;
  if (pending_appends_ > 0) {
    beginInsertRows(QModelIndex(), shown_, shown_ + pending_appends_ - 1);
    shown_ += pending_appends_;
    pending_appends_ = 0;
    endInsertRows();
  }
  pending_appends_ = 0;
  if (static_cast<std::size_t>(shown_) != entries_.size()) {
    // Only a change the sink did not announce gets here; show the store as it is.
    beginResetModel();
    shown_ = static_cast<int>(entries_.size());
    endResetModel();
  }
}

void DisplayListModel::EndClear() {
  shown_ = static_cast<int>(entries_.size());
  stale_front_ = 0;
  pending_appends_ = 0;
  endResetModel();
}

}  // namespace v7400
