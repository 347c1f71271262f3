#include "ui/listingpane.h"

#include <QFontMetrics>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "session/session.h"

namespace {

const QString kHintLink = QStringLiteral("#hint");

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// A line "Label: value" when there is a value.
QString Field(const char* label, const QString& value) {
    return value.isEmpty() ? QString()
                           : QStringLiteral("<b>%1:</b> %2<br>")
                                 .arg(QString::fromLatin1(label), Escaped(value));
}

QString PlainBlock(const QString& text) {
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

// A child waypoint's name: two characters and the cache's code without "GC".
bool IsChildOf(const QString& name, const QString& code) {
    return code.startsWith(QLatin1String("GC"), Qt::CaseInsensitive) && code.size() > 2 &&
           name.size() == code.size() &&
           QStringView(name).mid(2).compare(QStringView(code).mid(2), Qt::CaseInsensitive) == 0 &&
           name.compare(code, Qt::CaseInsensitive) != 0;
}

}  // namespace

ListingBrowser::ListingBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant ListingBrowser::loadResource(int /*type*/, const QUrl& /*name*/) {
    return {};
}

ListingPane::ListingPane(Session& session, QWidget* parent)
    : QWidget(parent), session_(session), browser_(new ListingBrowser(this)) {
    setObjectName(QStringLiteral("fraListing"));
    browser_->setObjectName(QStringLiteral("txtListing"));
    browser_->setPlaceholderText(QStringLiteral("Select a waypoint to see its listing"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.toString() == kHintLink) {
            toggleHint();
        }
    });
}

void ListingPane::showWaypoint(qint32 slot, bool anew) {
    if (slot == slot_ && !anew) {
        return;
    }
    if (slot != slot_) {
        hintDecoded_ = false;
    }
    slot_ = slot;
    render();
}

void ListingPane::toggleHint() {
    hintDecoded_ = !hintDecoded_;
    render();
}

void ListingPane::render() {
    const std::vector<Waypoint>& records = session_.store.Waypoints;
    browser_->clear();
    if (slot_ < 0 || static_cast<size_t>(slot_) >= records.size()) {
        return;
    }
    const Waypoint& w = records[static_cast<size_t>(slot_)];
    const CacheListing l = ParseListing(w);
    QTextCursor cursor(browser_->document());

    const QString title = !l.title.isEmpty()         ? l.title
                          : !w.Description.isEmpty() ? w.Description
                                                     : w.Name;
    const bool struck = l.cache && (l.archived || !l.available);
    QString head = QStringLiteral("<h3>%1%2%3</h3>")
                       .arg(QLatin1String(struck ? "<s>" : ""), Escaped(title),
                            QLatin1String(struck ? "</s>" : ""));
    if (l.cache && (l.archived || !l.available)) {
        head += QStringLiteral("<p><b><font color=\"#c00000\">%1</font></b></p>")
                    .arg(QLatin1String(l.archived ? "Archived" : "Disabled"));
    }
    QString facts =
        Field("Code", w.Name) + Field("Type", l.type.isEmpty() ? l.waypointType : l.type);
    if (!l.difficulty.isEmpty() || !l.terrain.isEmpty()) {
        facts += Field("D/T", l.difficulty + u'/' + l.terrain);
    }
    facts += Field("Size", l.container) + Field("Owner", l.owner.isEmpty() ? l.placedBy : l.owner);
    QStringList place;
    for (const QString& p : {l.state, l.country}) {
        if (!p.isEmpty()) {
            place.push_back(p);
        }
    }
    facts += Field("Place", place.join(QStringLiteral(", ")));
    if (!l.attributes.empty()) {
        QStringList attributes;
        for (const CacheAttribute& a : l.attributes) {
            attributes.push_back(a.included ? a.text : QStringLiteral("no ") + a.text);
        }
        facts += Field("Attributes", attributes.join(QStringLiteral(", ")));
    }
    if (!l.travelBugs.empty()) {
        QStringList bugs(l.travelBugs.begin(), l.travelBugs.end());
        facts += Field("Trackables", bugs.join(QStringLiteral(", ")));
    }
    facts += Field("Comment", l.comment);
    if (!l.cache && title != w.Description) {
        facts += Field("Description", w.Description);
    }
    cursor.insertHtml(head + QStringLiteral("<p>") + facts + QStringLiteral("</p>"));

    // Each description is a fragment of its own, and what follows starts
    // with plain formats: whatever the file's markup leaves open ends with it.
    QTextBlockFormat spaced;
    spaced.setTopMargin(QFontMetrics(browser_->font()).height() / 2.0);
    const auto newBlock = [&] { cursor.insertBlock(spaced, QTextCharFormat()); };
    for (const CacheText* d : {&l.shortDescription, &l.longDescription}) {
        if (!d->text.isEmpty()) {
            newBlock();
            cursor.insertHtml(d->html ? d->text : PlainBlock(d->text));
        }
    }
    newBlock();
    if (!l.hint.isEmpty()) {
        cursor.insertHtml(QStringLiteral("<p><b>Hint</b> (<a href=\"%1\">%2</a>):<br>%3</p>")
                              .arg(kHintLink, QLatin1String(hintDecoded_ ? "as written" : "decode"),
                                   Escaped(hintDecoded_ ? DecodeHint(l.hint) : l.hint)));
    }
    if (!l.logs.empty()) {
        QString logs = QStringLiteral("<h4>Logs</h4>");
        for (const CacheLog& log : l.logs) {
            logs += QStringLiteral("<p><b>%1 %2</b> by %3<br>%4</p>")
                        .arg(Escaped(log.date.left(10)), Escaped(log.type), Escaped(log.finder),
                             Escaped(log.text).replace(u'\n', QStringLiteral("<br>")));
        }
        newBlock();
        cursor.insertHtml(logs);
    }
    QString children;
    for (const Waypoint& c : records) {
        if (&c != &w && IsChildOf(c.Name, w.Name)) {
            const CacheListing cl = ParseListing(c);
            children +=
                QStringLiteral("<p><b>%1</b> %2 %3<br>%4 %5%6</p>")
                    .arg(Escaped(c.Name), Escaped(cl.waypointType), Escaped(c.Description),
                         QString::number(c.Latitude, 'f', 6), QString::number(c.Longitude, 'f', 6),
                         cl.comment.isEmpty() ? QString()
                                              : QStringLiteral("<br>") + Escaped(cl.comment));
        }
    }
    if (!children.isEmpty()) {
        newBlock();
        cursor.insertHtml(QStringLiteral("<h4>Waypoints</h4>") + children);
    }
    browser_->moveCursor(QTextCursor::Start);
}
