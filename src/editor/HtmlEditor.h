// CHtmlEditor: the body editor of the compose dialog. A toolbar strip on top
// and, below it, an HtmlView in design mode with a plain-text source view
// that can take its place. Bodies come in and go out as host code page
// bytes; the toolbar's buttons and lists arrive here as commands.
//
// Loading follows the browser the editor was built for: the view starts on
// the blank page, and when that first load completes the initial HTML is
// loaded, once, in its ASCII-safe form. The document counts as ready when a
// load has finished and a BODY exists; an empty body then gets an empty DIV.
//
// The toolbar is built in EditorToolbar.cpp, commands are handled in
// HtmlEditorCommands.cpp, the source view switch and the toolbar refresh in
// HtmlEditorViews.cpp.
#pragma once

#include "editor/AddressPrompt.h"
#include "editor/HtmlDocument.h"
#include "editor/PasteCleaner.h"
#include "platform/ui/CommandTarget.h"

#include <QRect>
#include <QWidget>

#include <string>

class CLayoutCtrl;
class QComboBox;
class QKeyEvent;
class QMimeData;
class QPointF;
class QPlainTextEdit;

namespace vellum::html {
class HtmlView;
}

class CHtmlEditor : public QWidget, public vellum::ui::CommandTarget
{
    Q_OBJECT

public:
    // Command identifiers of the toolbar, the table menu and the editor.
    enum : int {
        kSourceToggle = 8001,
        kCopy = 8002,
        kPaste = 8003,
        kCut = 8004,
        kFontName = 8005,
        kFontSize = 8006,
        kBold = 8007,
        kItalic = 8008,
        kUnderline = 8009,
        kTextColor = 8010,
        kBackColor = 8011,
        kAlignLeft = 8013,
        kAlignRight = 8014,
        kAlignCenter = 8015,
        kOrderedList = 8016,
        kBulletedList = 8017,
        kHorizontalLine = 8018,
        kTableMenu = 8019,
        kInsertTable = 8020,
        kInsertRowAbove = 8021,
        kInsertRowBelow = 8022,
        kDeleteRow = 8023,
        kInsertColumnLeft = 8024,
        kInsertColumnRight = 8025,
        kDeleteColumn = 8026,
        kHyperlink = 8029,
        kImage = 8030,
        kLastToolbarCommand = 8032,
        kRefreshToolbar = 102,
        kFocusLeft = 103,
    };
    // Control identifiers of the parts.
    static constexpr int kBrowserId = 5001;
    static constexpr int kSourceViewId = 5002;
    static constexpr int kToolbarId = 10;
    static constexpr int kToolbarHeight = 22;

    explicit CHtmlEditor(QWidget* parent = nullptr);
    ~CHtmlEditor() override;

    bool Create(const QRect& rect, QWidget* parent, int id);
    // The body loaded when the blank page has come up; empty gives the
    // empty document. Set after the first load, it is loaded at once.
    void SetInitialHTML(const std::string& html);
    // The whole document (outer HTML of its HTML element) in the host code
    // page; false when there is none. It reads the document, never the
    // source view, and finishes a load still under way first.
    bool GetHTML(std::string& html);

    // Changes whenever what GetHTML returns may have (see
    // Document::ChangeStamp); 0 while there is no document.
    std::uint64_t BodyStamp() const;

    // True once a load has finished and the document has a BODY.
    bool IsDocumentReady() const { return documentReady_; }
    // Finishes the pending loads now instead of from the event loop.
    void FinishLoading();
    bool IsSourceMode() const { return sourceMode_; }

    CHtmlDocument& GetHtmlDocument() { return document_; }
    vellum::html::HtmlView* GetView() const { return view_; }
    QPlainTextEdit* GetSourceView() const { return sourceView_; }
    CLayoutCtrl* GetToolbar() const { return toolbar_; }

    bool OnCommand(int id) override;

signals:
    // The document became ready (after every load).
    void documentReady();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // EditorToolbar.cpp
    void BuildToolbar();
    void FillFontNames(QComboBox* list);

    // HtmlEditor.cpp: loading and the view's hooks.
    void OnDocumentComplete();
    void LoadHTML(const std::u16string& html);
    void CheckReadiness();
    bool FilterKey(const QKeyEvent& key);
    void DropPictures(const QMimeData& data, const QPointF& viewportPoint);
    void PlaceChildren();

    // HtmlEditorCommands.cpp
    bool ExecWithPrompt(int commandId, const vellum::html::CommandValue& argument = {});
    void ChooseColor(int commandId);
    void OnFontNameChosen();
    void OnFontSizeChosen();
    void ShowTableMenu();
    void InsertTableFromForm();

    // HtmlEditorViews.cpp
    void SwitchSourceView();
    void RefreshToolbar();
    void RefreshList(int commandId, int listId);
    void EnableToolbarCommands(bool enabled);

    CHtmlDocument document_;
    CleaningClipboard clipboard_;
    CEditorAddressPrompt addressPrompt_{this};
    vellum::html::HtmlView* view_ = nullptr;
    QPlainTextEdit* sourceView_ = nullptr;
    CLayoutCtrl* toolbar_ = nullptr;
    std::string initialHtml_;
    // The document's markup when the source view opened, and the text shown
    // for it: an untouched source view gives the markup back as it was.
    std::u16string sourceHtml_;
    QString sourceShown_;
    bool sourceMode_ = false;
    bool initialized_ = false;
    bool documentReady_ = false;
    bool recheckPending_ = false;
};
