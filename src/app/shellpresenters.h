// CShellPresenters: the QML element "ShellPresenters" through which the
// shell shows what the program's own code asks for: action-sheet menus,
// the connection settings dialogs and the file dialogs. Creating one
// installs it as the presenter of each; destroying it restores the
// defaults. The scene answers through the invokable methods.
#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/filedialogs.h"
#include "app/base/menutree.h"

class CConnectionDialog;
class CProgressDialogData;

// The fields of a connection dialog as the scene edits them: "kind" is
// "tcp", "udp" or "serial", "title" its title, then the dialog's own fields.
QVariantMap connectionDialogFields(const CConnectionDialog& dialog);
// Writes edited fields back; false when a field is missing or out of range.
bool applyConnectionDialogFields(const QVariantMap& fields, CConnectionDialog& dialog);

class CShellPresenters : public QObject {
    Q_OBJECT
    // The page item, whose arranging the "Edit Layout" entry starts.
    Q_PROPERTY(QObject* pages READ pages WRITE setPages NOTIFY pagesChanged)
    Q_PROPERTY(bool menuOpen READ menuOpen NOTIFY menuChanged)

public:
    explicit CShellPresenters(QObject* parent = nullptr);
    ~CShellPresenters() override;

    static CShellPresenters* installed();

    QObject* pages() const { return m_pages; }
    void setPages(QObject* pages);
    bool menuOpen() const { return !m_stack.empty(); }

    Q_INVOKABLE void showMainMenu();
    Q_INVOKABLE void showOverlaysMenu();
    // The entry `index` of the menu on show: a submenu opens over it, any
    // other entry closes the menus and runs.
    Q_INVOKABLE bool chooseMenuEntry(int menuId, int index);
    // From a submenu back to the menu it came from.
    Q_INVOKABLE void menuBack(int menuId);
    Q_INVOKABLE void dismissMenu(int menuId);
    // Titles of the menu on show (for the scene's tests and keyboard use).
    Q_INVOKABLE QStringList menuTitles() const;

    Q_INVOKABLE void answerDialog(int dialogId, const QVariantMap& fields, int code);
    Q_INVOKABLE void answerFileDialog(int dialogId, const QString& path);
    // The user's cancel of a transfer on show.
    Q_INVOKABLE void cancelProgress(int progressId);

    // Folder browsing for the file dialog: the entries of a folder, folders
    // first, then files ending in `extension` (all files when it is empty),
    // each {name, path, folder}.
    Q_INVOKABLE QVariantList folderEntries(const QString& folder, const QString& extension) const;
    Q_INVOKABLE QString parentFolder(const QString& folder) const;
    Q_INVOKABLE QString startFolder() const;

Q_SIGNALS:
    void pagesChanged();
    void menuChanged();
    // A menu level to show; `depth` is 0 for a menu's top level.
    void menuRequested(int menuId, const QString& title, const QString& message,
                       const QVariantList& entries, int depth);
    void menuClosed();
    void dialogRequested(int dialogId, const QVariantMap& fields);
    void fileDialogRequested(int dialogId, bool save, const QString& folder, const QString& hint);
    void screenLockRequested();
    // A transfer's progress: {title, done, failed, total, fraction,
    // finished, cancelled, message}; the dialog goes when it is finished.
    void progressChanged(int progressId, const QVariantMap& progress);

private:
    struct PendingDialog {
        int id;
        CConnectionDialog* dialog;  // kept alive by its owner until answered
        std::function<void(int)> done;
    };
    struct PendingFile {
        int id;
        std::function<void(const std::string&)> done;
    };

    struct PendingProgress {
        int id;
        std::shared_ptr<CProgressDialogData> data;
    };

    void present(std::shared_ptr<CMenuTree> menu);
    void presentProgress(std::shared_ptr<CProgressDialogData> progress);
    void emitTop();
    void closeMenus();

    QPointer<QObject> m_pages;
    std::shared_ptr<CMenuTree> m_root;
    std::vector<CMenuTree*> m_stack;
    int m_menuId = 0;
    int m_nextId = 1;
    std::vector<PendingDialog> m_dialogs;
    std::vector<PendingFile> m_files;
    std::vector<PendingProgress> m_progress;
};
