// Where the help documents are found: the given folder first (beside the executable, or the
// working directory), then the folder an installed copy keeps them in.
#pragma once

#include <QString>

namespace v7400 {

// `dir`/`name` when it exists or when no installed copy exists either.
QString HelpDocumentPath(const QString& dir, const QString& name);

}  // namespace v7400
