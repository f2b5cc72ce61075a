#pragma once
// The URI highlighter: marks web and mail addresses in a line as links.
// Every line is tokenized on its own (the range is always 0). Tokens cover
// the line without gaps; schemes are matched in any letter case.
#include <functional>
#include <memory>
#include <string>

#include "textview/highlighter.h"

namespace tav {

enum TtkTokenKind : int {
  tkNull,
  tkSpace,
  tkFtpLink,
  tkGopherLink,
  tkHttpLink,
  tkHttpsLink,
  tkMailtoLink,
  tkNewsLink,
  tkNntpLink,
  tkProsperoLink,
  tkTelnetLink,
  tkWaisLink,
  tkWebLink,
  tkUnknown,
  tkNullChar,
};

inline bool IsLinkKind(int kind) { return kind >= tkFtpLink && kind <= tkWebLink; }

// Tells whether a link's text has been visited; such links use the visited
// attribute.
using TAlreadyVisitedURIFunc = std::function<bool(const std::u16string& uri)>;

class TURIHighlighter : public TCustomHighlighter {
 public:
  TURIHighlighter();
  ~TURIHighlighter() override;

  THighlighterAttributes* GetDefaultAttribute(int index) const override;
  std::u16string GetSampleSource() const override;
  bool TokenEquals(std::u16string_view keyword) const override;
  bool IsFilterStored() const override;
  std::u16string GetFriendlyLanguageName() const override { return u"URI"; }
  std::u16string GetLanguageName() const override { return u"URI"; }
  bool GetEol() const override { return Run > fLineLen; }
  THighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override { return fTokenID; }
  // Every line is tokenized on its own: the range is always 0.
  bool HasConstantRange() const override { return true; }
  void Next() override;
  bool IsIdentChar(char16_t c) const override;

  THighlighterAttributes* URIAttri() const { return fURIAttri; }
  THighlighterAttributes* VisitedURIAttri() const { return fVisitedURIAttri; }
  THighlighterAttributes* SpaceAttri() const { return fSpaceAttri.get(); }
  THighlighterAttributes* IdentifierAttri() const { return fIdentifierAttri.get(); }
  void SetAlreadyVisitedURIFunc(TAlreadyVisitedURIFunc func) { fAlreadyVisitedURI = std::move(func); }

 protected:
  void LoadLine(std::u16string_view line, int lineNumber) override;

 private:
  enum TBodyTest { btNone, btUri, btWebHost };
  struct TScheme {
    std::u16string_view keyword;
    TtkTokenKind kind;
    TBodyTest body;
  };

  void SpaceProc();
  void ScanWord();
  bool ScanEmailAddress();
  int ProtocolHash();
  bool ScanUriBody();
  bool ScanWebHost();
  bool IsUriChar(char16_t c) const;
  bool IsNeverLastChar(char16_t c) const;
  bool StopsAtDoubleDot(int p) const;

  static const TScheme fIdentFuncTable[16];

  TtkTokenKind fTokenID = tkNull;
  int fMayBeProtocol = 0;
  int fStringLen = 0;
  // No e-mail address starts before this position in the current line: a
  // scan that failed from one start fails from every later start in the
  // same run, so the run is not scanned again.
  int fNoMailBefore = 0;
  std::unique_ptr<THighlighterAttributes> fSpaceAttri;
  std::unique_ptr<THighlighterAttributes> fIdentifierAttri;
  THighlighterAttributes* fURIAttri = nullptr;
  THighlighterAttributes* fVisitedURIAttri = nullptr;
  TAlreadyVisitedURIFunc fAlreadyVisitedURI;
};

}  // namespace tav
