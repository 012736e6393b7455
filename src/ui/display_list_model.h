// A list model over one of the display sink's entry stores. The sink announces every change,
// so the model never copies entries and an append or a trim costs the same at any length.
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

  void BeginAppend();
  void EndAppend() { endInsertRows(); }
  void BeginRemoveFirst() { beginRemoveRows(QModelIndex(), 0, 0); }
  void EndRemoveFirst() { endRemoveRows(); }
  void BeginClear() { beginResetModel(); }
  void EndClear() { endResetModel(); }

 private:
  const std::deque<std::string>& entries_;
};

}  // namespace v7400
