// The help folder read as a book: its pages' titles, index terms and text, the contents
// from the start page's nested lists, the index and the full-text search. Plain
// functions over the files, without a window, so that the help window only shows what
// they give.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace orv {

struct HelpPage {
    QString file;          // its name in the help folder: "dialogs.html"
    QString title;         // the <title>, else the file name
    QStringList keywords;  // <meta name="keywords" content="a, b, c">
    QString text;          // what the page shows, as plain text
};

// One page of the help folder; a page that cannot be read has its file name as its title
// and nothing else.
HelpPage ReadHelpPage(const QString& folder, const QString& file);
// Every page (.html, .htm) of the folder, by file name.
QList<HelpPage> ReadHelpFolder(const QString& folder);

// A place in the book: a page, with an anchor ("dialogs.html#materials") or without.
struct HelpTarget {
    QString link;
    QString title;
    friend bool operator==(const HelpTarget&, const HelpTarget&) = default;
};

// One entry of the index: a term and the pages that list it among their keywords.
struct HelpIndexEntry {
    QString term;
    QList<HelpTarget> pages;
};

// Every keyword of every page, alphabetical without regard to case; a term several pages
// name (whatever the case they write it in) is one entry with all of them, by title.
QList<HelpIndexEntry> BuildHelpIndex(const QList<HelpPage>& pages);

struct HelpSearchHit {
    HelpTarget page;
    int hits = 0;  // how often the words occur in the page's title and text
};

// The pages that hold every word of the query (case ignored; a word matches inside
// longer words, "extrude" in "extruded"), the most hits first, then by title. An empty
// query finds nothing.
QList<HelpSearchHit> SearchHelp(const QList<HelpPage>& pages, const QString& query);

// The contents: the items of the nested lists (<ul>, <ol>) of a page, each with the text
// and target of its first link (an item without a link is a heading for the items below).
struct HelpContentsNode {
    QString title;
    QString link;  // as written, relative to the page: "tutorial-animation.html#puppets"
    std::vector<HelpContentsNode> children;
};
std::vector<HelpContentsNode> ReadHelpContents(const QString& html);

}  // namespace orv
