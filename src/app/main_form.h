#pragma once
// The request console: the one window of the application. The user fills in
// a URL, a method and optionally an HTTP proxy and presses GO; one exchange
// then runs and its results go to the header box and the response pages.
// The GO handler returns only when the exchange has ended, but the exchange
// itself runs on a worker thread: meanwhile the window paints and resizes,
// GO reads "Stop" and aborts the exchange, and Exit or closing the window
// aborts it and then closes.
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "html/view/viewer.h"
#include "textview/text_view.h"
#include "textview/uri_highlighter.h"

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace tav {

class THTTPSend;
class TQtControlHost;
class TTabPageControl;
class TTabPageSheet;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  // Shows one modal notice with an OK button.
  using TNotifyEvent = std::function<void(const QString& message)>;
  // Called with each fresh engine right after it is created. The engine's
  // own events (the socket's hooks, say) run on the exchange's thread: one
  // that touches the window must hand the work to the window's thread.
  using TEngineEvent = std::function<void(THTTPSend& engine)>;

  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // Replaces the modal message box of the exchange's exception report; an
  // empty function restores the box.
  void SetOnNotify(TNotifyEvent handler) { FOnNotify = std::move(handler); }
  void SetOnEngineCreated(TEngineEvent handler) { FOnEngineCreated = std::move(handler); }

  // The lines of the header box and of the "Text" page, joined with LF.
  QString HeaderText() const;
  QString ResponseText() const;
  // The text view of the "Text" page.
  TTextView& TextView() { return *FTextView; }
  // The HTML view of the "HTML" page.
  THtmlView& HtmlView() { return *FHtmlView; }
  // Whether an exchange is running (GO reads "Stop").
  bool ExchangeRunning() const { return FExchange != nullptr; }

 public slots:
  void Button1Click();
  void Button2Click();

 protected:
  // While an exchange runs, closing aborts it; the window closes when the
  // exchange has ended.
  void closeEvent(QCloseEvent* event) override;

 private:
  // The exchange of one GO: HTTPMethod on a worker thread while the window
  // stays alive; true when it succeeded. An exception from the engine is
  // rethrown on the window's thread.
  bool RunExchange(THTTPSend& http, const std::u16string& method, const std::u16string& url);
  // GO's click while an exchange runs: Stop, unless it is the second click
  // of a double click on GO.
  void StopClick();
  // The longest time between the two clicks of a double click, in ms.
  static int DoubleClickInterval();
  void BuildLayout();
  void BuildPages();
  // The widget that shows a page; Qt controls placed on the page are its
  // children.
  static QWidget* PageWidget(TTabPageSheet& page);
  void Notify(const QString& message);
  // Appends one entry; line breaks inside it (CR LF, CR or LF) start new lines.
  void AppendHeaderBox(const QString& entry);
  void AppendResponseLine(const QString& line);
  // Creates the text view of the Text page with its settings.
  void BuildTextView(QWidget* parent);
  // Creates the HTML view of the HTML page with its settings.
  void BuildHtmlView(QWidget* parent);
  // The application's general error notice, for what the views cannot absorb.
  void ShowError(const QString& message);
  // A link clicked on the HTML page: an http or https target goes into the
  // URL box and GO runs; any other link is left to the view.
  void HtmlLinkClick(const std::u16string& link, bool& handled);

  TNotifyEvent FOnNotify;
  TEngineEvent FOnEngineCreated;
  // The text view's highlighter outlives the view, and the view outlives
  // its window (which goes with the page control's window).
  TURIHighlighter URIHighlighter1;
  std::unique_ptr<TTextView> FTextView;
  std::unique_ptr<THtmlView> FHtmlView;
  // Errors of the views waiting to be shown or being shown.
  QStringList FPendingErrors;
  // The URL the page on the HTML page was fetched from; its relative links
  // resolve against it.
  std::u16string FShownUrl;

  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* ed_method = nullptr;
  QPushButton* Button1 = nullptr;
  QCheckBox* enableproxy = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* ed_proxyhost = nullptr;
  QLabel* lb_proxyport = nullptr;
  QLineEdit* ed_proxyport = nullptr;
  QLineEdit* ed_method2 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  // The page control and its window; the window goes first when the form
  // is destroyed, taking the pages' windows and their Qt controls with it.
  std::unique_ptr<TTabPageControl> PageControl1;
  std::unique_ptr<TQtControlHost> FPageControlHost;
  TTabPageSheet* TabSheet1 = nullptr;
  TTabPageSheet* TabSheet2 = nullptr;
  // The engine of the running exchange; only its Abort may be called.
  THTTPSend* FExchange = nullptr;
  // Since when it runs.
  QElapsedTimer FExchangeClock;
  // Since the last click on Stop; invalid once GO was clicked after it.
  QElapsedTimer FStopClock;
  // The window was asked to close while the exchange ran.
  bool FCloseAfterExchange = false;
  // Whether anything was appended to the header box since it was cleared.
  bool FHeaderBoxUsed = false;
  // Whether the keyboard focus was on the old page when the page changed.
  bool FFocusOnPage = false;
  QGroupBox* GroupBox2 = nullptr;
  TQtControlHost* TextView1 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  TQtControlHost* HtmlView1 = nullptr;
  QFrame* Panel3 = nullptr;
  QFrame* Panel4 = nullptr;
  QPushButton* Button2 = nullptr;
};

}  // namespace tav
