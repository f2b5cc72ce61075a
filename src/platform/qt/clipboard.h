#pragma once
#include <QString>

#include <string>
#include <vector>

#include "platform/clipboard.h"

namespace tav {

// The clipboard on Qt: Unicode text as plain text; a private format as MIME
// type application/x-qt-windows-mime;value="<name>"; "HTML Format" also as
// text/html (the fragment between its StartFragment and EndFragment).
class TQtClipboard : public TClipboard {
public:
  void SetData(std::vector<TClipboardItem> items) override;
  bool HasFormat(unsigned format) const override;
  std::string GetData(unsigned format) const override;

private:
  QString MimeType(unsigned format) const;
};

}  // namespace tav
