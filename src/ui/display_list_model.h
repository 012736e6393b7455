// A list model over one of the display sink's entry stores. The sink announces every change as
// it happens; the model shows it at the next Sync, so a burst of entries costs one row insert and
// one row removal per refresh, not per entry. Until then the model keeps showing the rows it had.
#pragma once

#include <QAbstractListModel>
#include <deque>
#include <string>

namespace v7400 {

class DisplayListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  DisplayListModel(const std::deque<std::string>& entries, QObject* parent)
      : QAbstractListModel(parent), entries_(entries) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // The store gained an entry at its end, or lost its first one.
  void NoteAppended() { ++pending_appends_; }
  void NoteDroppedFirst() { ++stale_front_; }
  // Shows every change noted since the last Sync: afterwards row n is entry n of the store.
  void Sync();
  bool InStep() const { return pending_appends_ == 0 && stale_front_ == 0; }

  void BeginClear() { beginResetModel(); }
  void EndClear();

 private:
  const std::deque<std::string>& entries_;
  int shown_ = 0;            // rows the views know of
  int stale_front_ = 0;      // entries dropped from the store's front, not yet from the rows
  int pending_appends_ = 0;  // entries appended to the store, not yet to the rows
};

}  // namespace v7400
