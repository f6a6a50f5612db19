#pragma once

// The command center: a small bar with a picture, a label and the KeyWord field in
// which key words are typed. Its commands are in the pop-up menu FloatingMenu.

#include "keyworddatabase.h"
#include "lookup.h"
#include "windowdirectory.h"

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;

namespace korvane {

class FloatingMenu;
class Platform;

inline const QString kCommandCenterTitle = QStringLiteral("Korvane Command Center");
inline const QString kNoApplicationQuestion = QStringLiteral(
    "There is no application assigned to this Key Word.  Do you wish to add it to your "
    "applications Key Words list?");
inline const QString kRemoveTitleBarCaption = QStringLiteral("&Remove Title Bar");
inline const QString kShowTitleBarCaption = QStringLiteral("&Show Title Bar");

inline constexpr int kHeightWithTitleBarTwips = 1100;
inline constexpr int kHeightWithoutTitleBarTwips = 800;
inline constexpr int kTitleBarShowMoveTwips = 575;
inline constexpr int kWidthTwips = 4020;

class KeyScan : public QWidget
{
    Q_OBJECT
public:
    KeyScan(Platform &platform, WindowDirectory windows, QWidget *parent = nullptr);
    ~KeyScan() override;

    // Loads the settings, shows the window and fills the lists and menus.
    void Form_Load();
    void Load_Window_Settings();
    void Save_Window_Settings();

    // The KeyWord field's key handler: Enter (13) is swallowed (set to 0), the
    // field upper-cased and selected, and the text acted on.
    void KeyWord_KeyPress(int &keyAscii);
    // Acts on a typed text: reserved words, paths, web addresses, key words. On
    // return `keyWord` holds its trimmed upper-case form.
    void Search_Keyword(QString &keyWord);
    // Rebuilds KeywordsAlreadyUsed and AvailableApplications, and with them the
    // Applications and Key Words submenus.
    void Show_Available_Applications();

    void MenuItem_Click(int index);
    void ApplicationsMenuItem_Click(int index);
    void KeyWordsMenuItem_Click(int index);
    void KeyWordSubMenu_Click(int index);
    void Display_Title_Bar(int index);
    void Remove_Title_Bar(int index);

    // Shows the window, restored and in front: a second start asked for it.
    void showRequested();

    bool keyWordFound() const { return m_keyWordFound; }
    QString titleBarState() const { return m_titleBarState; }
    qint64 topTwips() const { return m_topTwips; }
    qint64 leftTwips() const { return m_leftTwips; }
    void moveToTwips(qint64 topTwips, qint64 leftTwips);

    QLineEdit *keyWordField() const { return m_keyWord; }
    QLabel *image1() const { return m_image1; }
    QLabel *label1() const { return m_label1; }
    FloatingMenu &floatingMenu() const { return *m_menu; }
    const QStringList &keywordsAlreadyUsed() const { return m_lists.keywordsAlreadyUsed; }
    const QStringList &availableApplications() const { return m_lists.availableApplications; }

protected:
    // Shows a pop-up menu at a global position and returns when it closes.
    // Overridable so that tests can observe it without a modal loop.
    virtual void showPopupMenu(QMenu *menu, const QPoint &globalPosition);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void showPopupAtClientOrigin(QMenu *menu);
    void ensureListsLoaded();
    void setHeightTwips(int twips);
    void applyHeight();
    bool handleMousePress(QMouseEvent *event, bool leftOpensMenu);
    bool handleMouseMove(QMouseEvent *event);
    void keepShown();

    Platform &m_platform;
    WindowDirectory m_windows;
    db::KeywordDatabase m_database;
    QLineEdit *m_keyWord = nullptr;
    QLabel *m_image1 = nullptr;
    QLabel *m_label1 = nullptr;
    std::unique_ptr<FloatingMenu> m_menu;

    db::AvailableLists m_lists; // KeywordsAlreadyUsed, AvailableApplications
    bool m_listsLoaded = false;
    bool m_keyWordFound = false;
    QString m_dialogFileName; // the file-open dialog's last choice
    QString m_titleBarState;
    qint64 m_topTwips = 0;
    qint64 m_leftTwips = 0;
    int m_heightTwips = kHeightWithTitleBarTwips;
};

} // namespace korvane
