#include "app/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSplitter>
#include <QStyleHints>
#include <QTextCursor>
#include <QVBoxLayout>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

#include "app/application.h"
#include "app/exchange_wait.h"
#include "app/link_url.h"
#include "html/view/html_page.h"
#include "http/http_send.h"
#include "net/ssl_plugin.h"
#include "net/tcp_block_socket.h"
#include "platform/qt/control_host.h"
#include "textview/response_body_loader.h"
#include "textview/text_page.h"
#include "tls/ssl_openssl.h"
#include "util/text_helpers.h"
#include "widgets/tab_page_control.h"

namespace tav {

namespace {

constexpr int kClientWidth = 682;
constexpr int kClientHeight = 632;
constexpr int kHeaderBoxHeight = 121;
// One row of tabs for the window's font, Tahoma 11 pixels.
constexpr int kTabRowHeight = 19;

// Creates a child control; from here on its parent owns it.
template <class W, class... Args>
W* MakeChild(QWidget* parent, const char* name, Args&&... args) {
  auto control = std::make_unique<W>(std::forward<Args>(args)..., parent);
  control->setObjectName(QString::fromLatin1(name));
  return control.release();
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top) {
  QLabel* label = MakeChild<QLabel>(parent, name, QString::fromLatin1(caption));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QFrame* MakePanel(QWidget* parent, const char* name) {
  QFrame* panel = MakeChild<QFrame>(parent, name);
  panel->setFrameShape(QFrame::NoFrame);
  return panel;
}

// A layout with no margins and no spacing that fills `owner`.
template <class L>
L* FillLayout(QWidget* owner) {
  auto layout = std::make_unique<L>(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout.release();
}

QString ClassNameOf(const std::exception& e) {
  int status = 0;
  const char* mangled = typeid(e).name();
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                   std::free);
  std::string name = (status == 0 && demangled) ? demangled.get() : mangled;
  // The bare class name, as the user knows it, without its namespaces.
  if (name.find('<') == std::string::npos) {
    const std::size_t colon = name.rfind("::");
    if (colon != std::string::npos) name.erase(0, colon + 2);
  }
  return QString::fromStdString(name);
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Tavrenic"));
  QFont face(QStringLiteral("Tahoma"));
  face.setPixelSize(11);
  setFont(face);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  BuildLayout();

  resize(kClientWidth, kClientHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->availableGeometry();
    move(desktop.left() + (desktop.width() - kClientWidth) / 2,
         desktop.top() + (desktop.height() - kClientHeight) / 2);
  }
  // Lay the controls out at the final size now, so the splitter can give the
  // header box its height before the window is first shown.
  layout()->activate();
  Splitter1->setSizes({kHeaderBoxHeight, Splitter1->height() - kHeaderBoxHeight});
}

TMainForm::~TMainForm() {
  // The pages' windows (and the group boxes on them) go with the page
  // control's window; the page control itself goes last.
  TabSheet1->SetOnResize(nullptr);
  TabSheet2->SetOnResize(nullptr);
  FPageControlHost.reset();
  PageControl1.reset();
}

void TMainForm::BuildLayout() {
  FillLayout<QVBoxLayout>(this);
  Panel1 = MakePanel(this, "Panel1");
  layout()->addWidget(Panel1);
  auto* panel1Layout = FillLayout<QVBoxLayout>(Panel1);

  // The request fields, placed at fixed positions.
  Panel2 = MakePanel(Panel1, "Panel2");
  Panel2->setFixedHeight(64);
  panel1Layout->addWidget(Panel2);

  Label1 = MakeLabel(Panel2, "Label1", "URL:  ", 5, 11);
  Edit1 = MakeChild<QLineEdit>(Panel2, "Edit1", QStringLiteral("http://example.com/"));
  Edit1->setGeometry(32, 8, 369, 21);

  Label3 = MakeLabel(Panel2, "Label3", "Method:  ", 416, 11);
  ed_method = MakeChild<QComboBox>(Panel2, "ed_method");
  ed_method->setEditable(true);
  ed_method->addItems({QStringLiteral("GET"), QStringLiteral("OPTIONS"), QStringLiteral("DEBUG"),
                       QStringLiteral("POST")});
  // Typed methods stay in the text and are not added to the list.
  ed_method->setInsertPolicy(QComboBox::NoInsert);
  ed_method->setEditText(QStringLiteral("GET"));
  ed_method->setGeometry(468, 10, 77, 21);

  Button1 = MakeChild<QPushButton>(Panel2, "Button1", QStringLiteral("GO"));
  Button1->setGeometry(574, 8, 97, 42);

  enableproxy = MakeChild<QCheckBox>(Panel2, "enableproxy", QStringLiteral("Enable Proxy"));
  enableproxy->setGeometry(9, 35, 97, 17);

  Label4 = MakeLabel(Panel2, "Label4", "Host: ", 112, 37);
  ed_proxyhost = MakeChild<QLineEdit>(Panel2, "ed_proxyhost");
  ed_proxyhost->setGeometry(147, 35, 254, 21);

  lb_proxyport = MakeLabel(Panel2, "lb_proxyport", "Port: ", 418, 38);
  ed_proxyport = MakeChild<QLineEdit>(Panel2, "ed_proxyport", QStringLiteral("3128"));
  ed_proxyport->setGeometry(451, 36, 46, 21);
  ed_proxyport->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ed_proxyport->setValidator(MakeChild<QRegularExpressionValidator>(
      ed_proxyport, "PortDigits", QRegularExpression(QStringLiteral("[0-9]*"))));

  ed_method2 = MakeChild<QLineEdit>(Panel2, "ed_method2", QStringLiteral("GET"));
  ed_method2->setGeometry(518, 37, 50, 21);
  ed_method2->setReadOnly(true);
  ed_method2->setVisible(false);

  // The header box above the pages; the splitter handle between them lets the
  // user resize it.
  Splitter1 = MakeChild<QSplitter>(Panel1, "Splitter1", Qt::Vertical);
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  panel1Layout->addWidget(Splitter1, 1);

  GroupBox1 = MakeChild<QGroupBox>(Splitter1, "GroupBox1", QStringLiteral("Response Header"));
  auto* group1Layout = FillLayout<QVBoxLayout>(GroupBox1);
  group1Layout->setContentsMargins(2, 2, 2, 2);
  Memo1 = MakeChild<QPlainTextEdit>(GroupBox1, "Memo1");
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setFocusPolicy(Qt::ClickFocus);
  group1Layout->addWidget(Memo1);

  BuildPages();
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);

  // The bottom strip with the Exit button at its right edge.
  Panel3 = MakePanel(Panel1, "Panel3");
  Panel3->setFixedHeight(37);
  panel1Layout->addWidget(Panel3);
  auto* panel3Layout = FillLayout<QHBoxLayout>(Panel3);
  panel3Layout->addStretch(1);
  Panel4 = MakePanel(Panel3, "Panel4");
  Panel4->setFixedWidth(150);
  panel3Layout->addWidget(Panel4);
  Button2 = MakeChild<QPushButton>(Panel4, "Button2", QStringLiteral("Exit"));
  Button2->setGeometry(45, 5, 97, 25);

  connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
  // Enter in the URL box runs GO, as in an address bar.
  connect(Edit1, &QLineEdit::returnPressed, Button1, &QPushButton::click);
  connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
}

void TMainForm::BuildPages() {
  PageControl1 = std::make_unique<TTabPageControl>();
  TTabPageControl& pages = *PageControl1;
  TFontDesc font;
  font.Face = u"Tahoma";
  font.Height = -11;
  pages.SetFont(font);
  pages.SetMultiLine(true);
  pages.SetAlignTabs(true);
  pages.SetBoldCurrentTab(true);
  pages.SetUseColoredTabs(true);
  pages.SetHotTrackStyle(THotTrackStyle::htsTabBar);
  pages.SetUseGradients(false);
  TTabColors colors = pages.TabColors();
  colors.HighlightBar = clRed;
  pages.SetTabColors(colors);
  pages.SetFixedDimension(kTabRowHeight);
  TabSheet1 = &pages.AddPage(u"Text");
  TabSheet2 = &pages.AddPage(u"HTML");
  pages.SetTabIndex(0);

  // The window of the page control makes the windows of its pages.
  FPageControlHost = std::make_unique<TQtControlHost>(pages, Splitter1);
  FPageControlHost->setObjectName(QStringLiteral("PageControl1"));
  Splitter1->addWidget(FPageControlHost.get());
  QWidget* sheet1 = PageWidget(*TabSheet1);
  QWidget* sheet2 = PageWidget(*TabSheet2);
  sheet1->setObjectName(QStringLiteral("TabSheet1"));
  sheet2->setObjectName(QStringLiteral("TabSheet2"));

  GroupBox2 = MakeChild<QGroupBox>(sheet1, "GroupBox2", QStringLiteral("Response Text"));
  auto* group2Layout = FillLayout<QVBoxLayout>(GroupBox2);
  group2Layout->setContentsMargins(2, 2, 2, 2);
  BuildTextView(GroupBox2);
  group2Layout->addWidget(TextView1);

  GroupBox3 = MakeChild<QGroupBox>(sheet2, "GroupBox3", QString());
  auto* group3Layout = FillLayout<QVBoxLayout>(GroupBox3);
  group3Layout->setContentsMargins(2, 2, 2, 2);
  BuildHtmlView(GroupBox3);
  group3Layout->addWidget(HtmlView1);

  // Each group box fills its page, whatever size the page takes.
  const auto fill = [](QGroupBox* box) {
    return [box](TTabPageSheet& page) {
      box->setGeometry(0, 0, page.ClientWidth(), page.ClientHeight());
    };
  };
  TabSheet1->SetOnResize(fill(GroupBox2));
  // A hidden widget hears of its new size only once it shows: the HTML view
  // is told at once, so a body loaded before the page is first shown is laid
  // out at the width it will be shown at.
  const auto fillHtml = [this, fillBox = fill(GroupBox3)](TTabPageSheet& page) {
    fillBox(page);
    const QRect r = GroupBox3->contentsRect().marginsRemoved(GroupBox3->layout()->contentsMargins());
    HtmlView1->setGeometry(r);
    FHtmlView->SetBounds(MakeRect(r.x(), r.y(), r.width(), r.height()));
  };
  TabSheet2->SetOnResize(fillHtml);
  fill(GroupBox2)(*TabSheet1);
  fillHtml(*TabSheet2);

  // The Qt controls on the pages are no controls of the page control, so it
  // cannot see the focus in them: the window keeps the focus in the page
  // control while a page with the focus is hidden, and moves it into the new
  // page afterwards.
  pages.SetOnChanging([this](TCustomTabStrip&, int, bool&) {
    TTabPageSheet* page = PageControl1->ActivePage();
    QWidget* focus = QApplication::focusWidget();
    FFocusOnPage = page && focus && PageWidget(*page)->isAncestorOf(focus);
    if (FFocusOnPage) FPageControlHost->setFocus(Qt::OtherFocusReason);
  });
  pages.SetOnPageChange([this](TCustomTabStrip&) {
    if (!std::exchange(FFocusOnPage, false)) return;
    TTabPageSheet* page = PageControl1->ActivePage();
    if (!page) return;
    QWidget* pageWidget = PageWidget(*page);
    for (QWidget* child : pageWidget->findChildren<QWidget*>()) {
      if ((child->focusPolicy() & Qt::TabFocus) && child->isEnabled() && child->isVisibleTo(pageWidget)) {
        child->setFocus(Qt::TabFocusReason);
        return;
      }
    }
  });
}

void TMainForm::BuildTextView(QWidget* parent) {
  FTextView = std::make_unique<TTextView>();
  TTextView& view = *FTextView;
  SetUpTextPage(view, URIHighlighter1);

  TextView1 = MakeChild<TQtControlHost>(parent, "TextView1", view);
  // The window's device measures differently from the default one: the
  // gutter is sized again now that every setting and the window are in place.
  view.GutterSettingsChanged();
}

void TMainForm::BuildHtmlView(QWidget* parent) {
  FHtmlView = std::make_unique<THtmlView>();
  THtmlView& view = *FHtmlView;
  SetUpHtmlPage(view);
  // A missing page behind a clicked link, or a paint buffer that cannot be
  // made, is reported and the window goes on.
  view.OnError = [this](const std::u16string& message) {
    ShowError(QString::fromStdU16String(message));
  };
  view.OnHotSpotClick = [this](const std::u16string& link, bool& handled) { HtmlLinkClick(link, handled); };
  HtmlView1 = MakeChild<TQtControlHost>(parent, "HtmlView1", view);
  view.Clear();
}

void TMainForm::ShowError(const QString& message) {
  // The notice is modal: it is shown once the current event is over, never
  // from inside a paint, and a failure that repeats while it is open (a
  // paint buffer that cannot be made) is shown once.
  if (FPendingErrors.contains(message)) return;
  FPendingErrors << message;
  QMetaObject::invokeMethod(
      this,
      [this, message] {
        if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance()))
          app->ShowException(message);
        else
          QMessageBox::critical(this, windowTitle(), message);
        FPendingErrors.removeAll(message);
      },
      Qt::QueuedConnection);
}

void TMainForm::HtmlLinkClick(const std::u16string& link, bool& handled) {
  const std::u16string target = ResolveLinkUrl(FShownUrl, FHtmlView->Base(), link);
  if (target.empty()) return;
  handled = true;
  Edit1->setText(QString::fromStdU16String(target));
  // GO clears the page the click came from, so it runs once the click is
  // over; a disabled GO button runs nothing.
  QMetaObject::invokeMethod(Button1, &QPushButton::click, Qt::QueuedConnection);
}

QWidget* TMainForm::PageWidget(TTabPageSheet& page) { return dynamic_cast<QWidget*>(page.Host()); }

void TMainForm::Button2Click() { close(); }

void TMainForm::Notify(const QString& message) {
  if (FOnNotify) {
    FOnNotify(message);
    return;
  }
  QMessageBox::information(this, windowTitle(), message);
}

void TMainForm::AppendHeaderBox(const QString& entry) {
  QString text = entry;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // Every entry adds its lines, empty ones too (an empty version line is
  // still a line of its own).
  QTextCursor cursor(Memo1->document());
  cursor.movePosition(QTextCursor::End);
  if (FHeaderBoxUsed) cursor.insertBlock();
  cursor.insertText(text);
  FHeaderBoxUsed = true;
}

void TMainForm::AppendResponseLine(const QString& line) {
  FTextView->Lines().Add(line.toStdU16String());
}

QString TMainForm::HeaderText() const { return Memo1->toPlainText(); }

QString TMainForm::ResponseText() const {
  const TTextViewStringList& lines = FTextView->Lines();
  QStringList text;
  text.reserve(lines.Count());
  for (int i = 0; i < lines.Count(); ++i) text << QString::fromStdU16String(lines.Get(i));
  return text.join(QLatin1Char('\n'));
}

void TMainForm::Button1Click() {
  if (FExchange) {
    StopClick();
    return;
  }
  // Likewise the second click of a double click on Stop, which may come
  // after the exchange has ended: it starts no new one.
  const bool stopDoubleClick = FStopClock.isValid() && FStopClock.elapsed() < DoubleClickInterval();
  FStopClock.invalidate();
  if (stopDoubleClick) return;
  Memo1->clear();
  FHeaderBoxUsed = false;
  FTextView->Lines().Clear();
  FHtmlView->Clear();

  // The engine lives for this exchange only and is freed however it ends.
  auto http = std::make_unique<THTTPSend>();
  if (FOnEngineCreated) FOnEngineCreated(*http);

  if (enableproxy->isChecked()) {
    http->SetProxyHost(ed_proxyhost->text().toStdU16String());
    http->SetProxyPort(ed_proxyport->text().toStdU16String());
  }

  const std::u16string url = Trim(Edit1->text().toStdU16String());
  if (StartsWith(UpperCase(url), std::u16string(u"HTTPS://"))) {
    // The OpenSSL plug-in on a freshly initialised socket. The socket is not
    // connected yet, so this TLS start is refused at once; the engine runs
    // the real handshake after connecting.
    TTCPBlockSocket& sock = http->Sock();
    sock.CreateWithSSL(SSLClassOf<TSSLOpenSSL>());
    sock.SSLDoConnect();
    AppendHeaderBox(QString::fromStdU16String(sock.SSL().LibVersion()));
  }
  const std::u16string method = Trim(ed_method->currentText().toStdU16String());
  if (UpperCase(method) == u"DEBUG") http->Headers().Add(u"Command: stop-debug");
  AppendHeaderBox(QString::fromStdU16String(http->Headers().Text()));

  bool ok = false;
  try {
    ok = RunExchange(*http, method, url);
  } catch (const std::exception& e) {
    Notify(QStringLiteral("Exception class name = ") + ClassNameOf(e));
    Notify(QStringLiteral("Exception message = ") + QString::fromUtf8(e.what()));
    ok = false;
  } catch (...) {
    // Not handled here: it leaves the handler. A close asked for during the
    // exchange still happens, once the event loop has it back.
    if (std::exchange(FCloseAfterExchange, false))
      QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    throw;
  }

  if (std::exchange(FCloseAfterExchange, false)) {
    // Exit or the window's close came during the exchange: nobody is left
    // to read its results.
    close();
    return;
  }

  if (ok) {
    QStringList headers;
    for (const std::u16string& line : http->Headers()) headers << QString::fromStdU16String(line);
    Memo1->setPlainText(headers.join(QLatin1Char('\n')));
    // UTF-8 when the whole body is valid UTF-8, else the default way; a body
    // the strict decoder refuses is shown as Windows-1252 rather than lost.
    LoadResponseBody(FTextView->Lines(), http->Document());
    // The HTML page shows the same body as the Text page, rendered.
    FShownUrl = url;
    FHtmlView->LoadFromString(FTextView->Lines().Text(), u"");
  } else {
    if (http->HeadRead()) {
      // The head arrived whole before the body failed: it shows as on success.
      QStringList headers;
      for (const std::u16string& line : http->Headers()) headers << QString::fromStdU16String(line);
      Memo1->setPlainText(headers.join(QLatin1Char('\n')));
    }
    AppendResponseLine(QStringLiteral("Error"));
    TTCPBlockSocket& sock = http->Sock();
    AppendResponseLine(QString::number(sock.LastError()) + QStringLiteral(": ") +
                       QString::fromStdU16String(sock.LastErrorDesc()));
    AppendResponseLine(QString::number(sock.SSL().LastError()) + QStringLiteral(": ") +
                       QString::fromStdU16String(sock.SSL().LastErrorDesc()));
  }
}

bool TMainForm::RunExchange(THTTPSend& http, const std::u16string& method, const std::u16string& url) {
  // The cleared views and the lines written so far are on the screen before
  // the exchange starts.
  repaint();

  // While it runs: GO reads "Stop", the cursor shows that the window is
  // busy, and the request fields and the views take no input. Undone however
  // the exchange ends.
  struct TRunning {
    TMainForm& Form;
    TInputGate Gate;
    TRunning(TMainForm& form, THTTPSend& engine)
        : Form(form), Gate(form, {form.Button1, form.Button2, form.Splitter1->handle(1)}) {
      Form.FExchange = &engine;
      Form.FExchangeClock.start();
      Form.Button1->setText(QStringLiteral("Stop"));
      QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    }
    ~TRunning() {
      QGuiApplication::restoreOverrideCursor();
      Form.Button1->setText(QStringLiteral("GO"));
      Form.FExchange = nullptr;
    }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;
  } running(*this, http);

  bool ok = false;
  RunOnWorker([&] { ok = http.HTTPMethod(method, url); }, [&] { http.Abort(); });
  return ok;
}

void TMainForm::StopClick() {
  // A double click on GO sends its second click to Stop at once; it is not
  // meant as one.
  if (FExchangeClock.elapsed() < DoubleClickInterval()) return;
  FExchange->Abort();
  FStopClock.start();
}

int TMainForm::DoubleClickInterval() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!FExchange) {
    QWidget::closeEvent(event);
    return;
  }
  FCloseAfterExchange = true;
  FExchange->Abort();
  event->ignore();
}

}  // namespace tav
