#include "app/shellpresenters.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "app/mainmenus.h"
#include "app/orvantaappmodel.h"
#include "nmea/dataconnection.h"
#include "nmea/serialconnection.h"
#include "nmea/tcpipconnection.h"
#include "nmea/udpconnection.h"
#include "online/progresspresenter.h"

namespace {

void registerQmlType() {
    qmlRegisterType<CShellPresenters>("Orvanta", 1, 0, "ShellPresenters");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

CShellPresenters* s_installed = nullptr;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QVariantList menuEntries(const CMenuTree& menu) {
    QVariantList list;
    for (const CMenuTree::Entry& e : menu.entries()) {
        list.append(QVariantMap{{"title", q(e.title)},
                                {"icon", q(e.icon)},
                                {"checked", e.checked},
                                {"enabled", e.enabled},
                                {"submenu", bool(e.submenu)}});
    }
    return list;
}

// A whole number field within [low, high].
bool intField(const QVariantMap& fields, const char* key, int low, int high, int& out) {
    bool ok = false;
    const int v = fields.value(key).toInt(&ok);
    if (!ok || v < low || v > high) return false;
    out = v;
    return true;
}

}  // namespace

QVariantMap connectionDialogFields(const CConnectionDialog& dialog) {
    if (auto* d = dynamic_cast<const CDlg_tcp_setup*>(&dialog)) {
        return {{"kind", "tcp"},
                {"title", d->title.empty() ? QStringLiteral("TCP/IP Settings") : q(d->title)},
                {"ip_addr", q(d->ip_addr)},
                {"port", d->port},
                {"network_name", q(d->network_name)},
                {"instant_acquisition", d->instant_acquisition}};
    }
    if (auto* d = dynamic_cast<const CDlg_udp_setup*>(&dialog))
        return {{"kind", "udp"},
                {"title", q(d->title)},
                {"network_name", q(d->network_name)},
                {"port", d->port}};
    if (auto* d = dynamic_cast<const CDlg_serial_setup*>(&dialog)) {
        QStringList ports, bauds;
        for (const auto& p : d->dataList) ports.append(q(p.label));
        for (int rate : CDlg_serial_setup::BaudRates()) bauds.append(QString::number(rate));
        return {{"kind", "serial"},        {"title", q(d->title)}, {"ports", ports},
                {"port_sel", d->port_sel}, {"bauds", bauds},       {"baud_sel", d->baud_sel}};
    }
    return {{"kind", "unknown"}, {"title", q(dialog.title)}};
}

bool applyConnectionDialogFields(const QVariantMap& fields, CConnectionDialog& dialog) {
    if (auto* d = dynamic_cast<CDlg_tcp_setup*>(&dialog)) {
        int port = 0;
        const QString host = fields.value("ip_addr").toString().trimmed();
        if (host.isEmpty() || !intField(fields, "port", 1, 65535, port)) return false;
        d->ip_addr = host.toStdString();
        d->port = port;
        d->network_name = fields.value("network_name").toString().toStdString();
        d->instant_acquisition = fields.value("instant_acquisition").toBool();
        return true;
    }
    if (auto* d = dynamic_cast<CDlg_udp_setup*>(&dialog)) {
        int port = 0;
        if (!intField(fields, "port", 0, 65535, port)) return false;
        d->port = port;
        d->network_name = fields.value("network_name").toString().toStdString();
        return true;
    }
    if (auto* d = dynamic_cast<CDlg_serial_setup*>(&dialog)) {
        int port = -1, baud = -1;
        if (!intField(fields, "port_sel", 0, int(d->dataList.size()) - 1, port) ||
            !intField(fields, "baud_sel", 0, int(CDlg_serial_setup::BaudRates().size()) - 1, baud))
            return false;
        d->port_sel = port;
        d->baud_sel = baud;
        return true;
    }
    return false;
}

CShellPresenters::CShellPresenters(QObject* parent) : QObject(parent) {
    s_installed = this;
    CMenuTree::SetPresenter(
        [this](OV_HWND, std::shared_ptr<CMenuTree> menu) { present(std::move(menu)); });
    CDataConnection::menu_presenter = [](OV_HWND parent, const std::string& title,
                                         const std::vector<std::string>& entries, int checked,
                                         std::function<void(int)> done) {
        CMenuTree::Show(parent, CMenuTree::FromList(title, entries, checked, std::move(done)));
    };
    CDataConnection::dialog_presenter = [this](OV_HWND, CConnectionDialog& dialog,
                                               std::function<void(int)> done) {
        const int id = m_nextId++;
        m_dialogs.push_back({id, &dialog, std::move(done)});
        Q_EMIT dialogRequested(id, connectionDialogFields(dialog));
    };
    setFileDialogPresenter([this](OV_HWND, FileDialogKind kind, const std::string&,
                                  const std::string& hint,
                                  std::function<void(const std::string&)> done) {
        const int id = m_nextId++;
        m_files.push_back({id, std::move(done)});
        Q_EMIT fileDialogRequested(id, kind == FileDialogKind::Export, startFolder(), q(hint));
    });
    setProgressDialogPresenter([this](OV_HWND, std::shared_ptr<CProgressDialogData> progress) {
        presentProgress(std::move(progress));
    });
    MainMenuHooks& hooks = MainMenuHooks::instance();
    // The model keeps a backup of the layout and shows the Done button.
    hooks.editLayout = [this](OV_HWND) {
        if (theApp)
            theApp->editLayout();
        else if (m_pages)
            m_pages->setProperty("arranging", true);
    };
    hooks.lockScreen = [this](OV_HWND) { Q_EMIT screenLockRequested(); };
}

CShellPresenters::~CShellPresenters() {
    if (s_installed != this) return;
    s_installed = nullptr;
    CMenuTree::SetPresenter({});
    CDataConnection::menu_presenter = {};
    CDataConnection::dialog_presenter = {};
    setFileDialogPresenter({});
    setProgressDialogPresenter({});
    MainMenuHooks& hooks = MainMenuHooks::instance();
    hooks.editLayout = {};
    hooks.lockScreen = {};
    // Whatever is still waiting is answered as cancelled.
    for (PendingDialog& d : m_dialogs)
        if (d.done) d.done(1);
    for (PendingFile& f : m_files)
        if (f.done) f.done(std::string());
}

CShellPresenters* CShellPresenters::installed() {
    return s_installed;
}

void CShellPresenters::setPages(QObject* pages) {
    if (m_pages == pages) return;
    m_pages = pages;
    Q_EMIT pagesChanged();
}

// ---- menus ------------------------------------------------------------------------

void CShellPresenters::showMainMenu() {
    ::showMainMenu(this);
}

void CShellPresenters::showOverlaysMenu() {
    ::showOverlaysMenu(this);
}

void CShellPresenters::present(std::shared_ptr<CMenuTree> menu) {
    // A new menu replaces one still open, which counts as dismissed.
    if (!m_stack.empty()) dismissMenu(m_menuId);
    m_root = std::move(menu);
    m_stack = {m_root.get()};
    emitTop();
    Q_EMIT menuChanged();
}

void CShellPresenters::emitTop() {
    m_menuId = m_nextId++;
    const CMenuTree& top = *m_stack.back();
    if (lcShell().isDebugEnabled()) {
        QStringList shown;  // a tick before what is checked
        for (const CMenuTree::Entry& e : top.entries())
            shown << (e.checked ? QStringLiteral("\u2713") : QString()) + q(e.title);
        qCDebug(lcShell).noquote() << "menu:" << q(top.title) << "|" << shown.join(", ");
    }
    Q_EMIT menuRequested(m_menuId, q(top.title), q(top.message), menuEntries(top),
                         int(m_stack.size()) - 1);
}

void CShellPresenters::closeMenus() {
    m_stack.clear();
    m_menuId = 0;
    qCDebug(lcShell) << "menu closed";
    Q_EMIT menuClosed();
    Q_EMIT menuChanged();
}

bool CShellPresenters::chooseMenuEntry(int menuId, int index) {
    if (m_stack.empty() || menuId != m_menuId) return false;
    CMenuTree& top = *m_stack.back();
    if (index < 0 || index >= top.size()) return false;
    const CMenuTree::Entry& e = top.entries()[size_t(index)];
    if (!e.enabled) return false;
    if (e.submenu) {
        m_stack.push_back(e.submenu.get());
        emitTop();
        return true;
    }
    // The action may show the next menu: this one is closed first, and kept
    // alive until its action returns.
    std::shared_ptr<CMenuTree> keep = std::move(m_root);
    closeMenus();
    return top.Choose(index);
}

void CShellPresenters::menuBack(int menuId) {
    if (menuId != m_menuId || m_stack.size() < 2) return;
    m_stack.pop_back();
    emitTop();
}

void CShellPresenters::dismissMenu(int menuId) {
    if (m_stack.empty() || menuId != m_menuId) return;
    std::shared_ptr<CMenuTree> keep = std::move(m_root);
    closeMenus();
    if (keep->dismissed) keep->dismissed();
}

QStringList CShellPresenters::menuTitles() const {
    QStringList titles;
    if (m_stack.empty()) return titles;
    for (const std::string& t : m_stack.back()->titles()) titles.append(q(t));
    return titles;
}

// ---- dialogs ------------------------------------------------------------------------

void CShellPresenters::answerDialog(int dialogId, const QVariantMap& fields, int code) {
    auto it = std::find_if(m_dialogs.begin(), m_dialogs.end(),
                           [dialogId](const PendingDialog& d) { return d.id == dialogId; });
    if (it == m_dialogs.end()) return;
    PendingDialog pending = std::move(*it);
    m_dialogs.erase(it);
    if (code == 0 && !applyConnectionDialogFields(fields, *pending.dialog)) code = 1;
    pending.done(code);
}

void CShellPresenters::answerFileDialog(int dialogId, const QString& path) {
    auto it = std::find_if(m_files.begin(), m_files.end(),
                           [dialogId](const PendingFile& f) { return f.id == dialogId; });
    if (it == m_files.end()) return;
    PendingFile pending = std::move(*it);
    m_files.erase(it);
    pending.done(path.toStdString());
}

void CShellPresenters::presentProgress(std::shared_ptr<CProgressDialogData> progress) {
    const int id = m_nextId++;
    m_progress.push_back({id, progress});
    QPointer<CShellPresenters> self(this);
    CProgressDialogData* data = progress.get();
    auto report = [self, id, data] {
        if (!self) return;
        Q_EMIT self->progressChanged(id, QVariantMap{{"title", q(data->title())},
                                                     {"done", data->done()},
                                                     {"failed", data->failed()},
                                                     {"total", data->total()},
                                                     {"fraction", data->fraction()},
                                                     {"finished", data->finished()},
                                                     {"cancelled", data->cancelled()},
                                                     {"message", q(data->message())}});
        if (!data->finished()) return;
        // Let go of the data once its own Finish has returned.
        QMetaObject::invokeMethod(
            self,
            [self, id] {
                if (!self) return;
                std::erase_if(self->m_progress,
                              [id](const PendingProgress& p) { return p.id == id; });
            },
            Qt::QueuedConnection);
    };
    data->onChanged = [report, earlier = std::move(data->onChanged)] {
        if (earlier) earlier();
        report();
    };
    report();
}

void CShellPresenters::cancelProgress(int progressId) {
    for (const PendingProgress& p : m_progress)
        if (p.id == progressId) {
            // Held here: the transfer may let go of it while it stops.
            std::shared_ptr<CProgressDialogData> keep = p.data;
            keep->Cancel();
            return;
        }
}

QVariantList CShellPresenters::folderEntries(const QString& folder,
                                             const QString& extension) const {
    QVariantList out;
    QDir dir(folder);
    const auto folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& f : folders)
        out.append(QVariantMap{{"name", f.fileName()}, {"path", f.filePath()}, {"folder", true}});
    const auto files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& f : files) {
        if (!extension.isEmpty() && !f.fileName().endsWith(extension, Qt::CaseInsensitive))
            continue;
        out.append(QVariantMap{{"name", f.fileName()}, {"path", f.filePath()}, {"folder", false}});
    }
    return out;
}

QString CShellPresenters::parentFolder(const QString& folder) const {
    QDir dir(folder);
    if (!dir.cdUp()) return folder;
    return dir.absolutePath();
}

QString CShellPresenters::startFolder() const {
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(docs).exists() ? docs : QDir::homePath();
}
