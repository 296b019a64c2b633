#include "app/help_book.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextDocument>
#include <algorithm>

namespace orv {

namespace {

QString ReadText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

// The character references the pages use; anything else stays as written.
QString DecodeEntities(const QString& s)
{
    if (!s.contains(QLatin1Char('&')))
        return s;
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    for (auto it = entity.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += s.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        QString decoded;
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
            bool ok = false;
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                decoded = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else {
            static const QMap<QString, QString> named = {
                {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
                {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
                {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QStringLiteral(" ")},
            };
            decoded = named.value(name);
        }
        out += decoded.isEmpty() ? m.captured(0) : decoded;
        last = m.capturedEnd();
    }
    return out + s.mid(last);
}

QString Attribute(const QString& attributes, const QString& name)
{
    const QRegularExpression re(QStringLiteral("\\b%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(name),
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(attributes);
    if (!m.hasMatch())
        return {};
    for (int i = 1; i <= 3; ++i)
        if (m.capturedStart(i) >= 0)
            return DecodeEntities(m.captured(i));
    return {};
}

// The page as a run of tags and the text between them; comments are dropped.
struct Token {
    bool tag = false;
    bool close = false;
    QString name;  // lower case
    QString attributes;
    QString text;
};

std::vector<Token> Tokens(const QString& html)
{
    static const QRegularExpression re(QStringLiteral("<!--.*?-->|<(/?)([A-Za-z][A-Za-z0-9]*)([^>]*)>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    std::vector<Token> tokens;
    qsizetype last = 0;
    auto addText = [&](qsizetype end) {
        if (end > last)
            tokens.push_back({false, false, {}, {}, DecodeEntities(html.mid(last, end - last))});
    };
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        addText(m.capturedStart());
        last = m.capturedEnd();
        if (m.capturedStart(2) < 0)
            continue;  // a comment
        tokens.push_back({true, !m.captured(1).isEmpty(), m.captured(2).toLower(), m.captured(3), {}});
    }
    addText(html.size());
    return tokens;
}

bool IsList(const Token& t) { return t.tag && (t.name == QLatin1String("ul") || t.name == QLatin1String("ol")); }

QString Simplified(const QString& s) { return s.simplified(); }

std::vector<HelpContentsNode> ParseList(const std::vector<Token>& tokens, std::size_t& i);

// An item from after its <li> to its end (its </li>, the next <li> of its list, or the
// end of its list, which is left for the list to take).
HelpContentsNode ParseItem(const std::vector<Token>& tokens, std::size_t& i)
{
    HelpContentsNode node;
    QString ownText, linkText;
    bool inLink = false, hasLink = false;
    while (i < tokens.size()) {
        const Token& t = tokens[i];
        if (!t.tag) {
            (inLink ? linkText : ownText) += t.text;
            ++i;
        } else if (IsList(t) && !t.close) {
            ++i;
            auto children = ParseList(tokens, i);
            for (auto& c : children)
                node.children.push_back(std::move(c));
        } else if (IsList(t) || t.name == QLatin1String("li")) {
            if (t.close && t.name == QLatin1String("li"))
                ++i;
            break;
        } else if (t.name == QLatin1String("a")) {
            if (!t.close && !hasLink) {
                const QString href = Attribute(t.attributes, QStringLiteral("href"));
                if (!href.isEmpty()) {
                    node.link = href;
                    hasLink = inLink = true;
                }
            } else if (t.close) {
                inLink = false;
            }
            ++i;
        } else {
            ++i;
        }
    }
    node.title = Simplified(hasLink && !Simplified(linkText).isEmpty() ? linkText : ownText);
    return node;
}

// A list from after its opening tag to after its closing one.
std::vector<HelpContentsNode> ParseList(const std::vector<Token>& tokens, std::size_t& i)
{
    std::vector<HelpContentsNode> items;
    while (i < tokens.size()) {
        const Token& t = tokens[i];
        if (IsList(t) && t.close) {
            ++i;
            break;
        }
        if (t.tag && !t.close && t.name == QLatin1String("li")) {
            ++i;
            HelpContentsNode item = ParseItem(tokens, i);
            if (!item.title.isEmpty() || !item.children.empty())
                items.push_back(std::move(item));
        } else if (IsList(t)) {
            // A list straight inside a list, without an item around it: its items belong
            // to the list around it.
            ++i;
            for (auto& c : ParseList(tokens, i))
                items.push_back(std::move(c));
        } else {
            ++i;
        }
    }
    return items;
}

int CountOf(const QString& haystack, const QString& word)
{
    int n = 0;
    for (qsizetype at = haystack.indexOf(word); at >= 0; at = haystack.indexOf(word, at + word.size()))
        ++n;
    return n;
}

}  // namespace

HelpPage ReadHelpPage(const QString& folder, const QString& file)
{
    HelpPage page;
    page.file = file;
    page.title = file;
    const QString html = ReadText(QDir(folder).filePath(file));
    if (html.isEmpty())
        return page;
    for (const Token& t : Tokens(html)) {
        if (!t.tag || t.close || t.name != QLatin1String("meta"))
            continue;
        if (Attribute(t.attributes, QStringLiteral("name")).compare(QLatin1String("keywords"), Qt::CaseInsensitive))
            continue;
        for (const QString& k : Attribute(t.attributes, QStringLiteral("content")).split(QLatin1Char(',')))
            if (const QString term = k.simplified(); !term.isEmpty() && !page.keywords.contains(term))
                page.keywords.append(term);
    }
    QTextDocument doc;
    doc.setHtml(html);
    if (const QString title = doc.metaInformation(QTextDocument::DocumentTitle).simplified(); !title.isEmpty())
        page.title = title;
    page.text = doc.toPlainText();
    return page;
}

QList<HelpPage> ReadHelpFolder(const QString& folder)
{
    QList<HelpPage> pages;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        pages.append(ReadHelpPage(folder, f));
    return pages;
}

QList<HelpIndexEntry> BuildHelpIndex(const QList<HelpPage>& pages)
{
    QMap<QString, HelpIndexEntry> byKey;
    for (const HelpPage& p : pages)
        for (const QString& term : p.keywords) {
            HelpIndexEntry& e = byKey[term.toCaseFolded()];
            if (e.term.isEmpty())
                e.term = term;
            const HelpTarget target{p.file, p.title};
            if (!e.pages.contains(target))
                e.pages.append(target);
        }
    QList<HelpIndexEntry> index;
    for (HelpIndexEntry& e : byKey) {
        std::sort(e.pages.begin(), e.pages.end(), [](const HelpTarget& a, const HelpTarget& b) {
            const int c = a.title.compare(b.title, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.link < b.link;
        });
        index.append(std::move(e));
    }
    // The map's order is that of the case-folded terms: alphabetical without regard to case.
    return index;
}

QList<HelpSearchHit> SearchHelp(const QList<HelpPage>& pages, const QString& query)
{
    const QStringList words =
        query.toCaseFolded().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QList<HelpSearchHit> found;
    if (words.isEmpty())
        return found;
    for (const HelpPage& p : pages) {
        const QString haystack = (p.title + QLatin1Char('\n') + p.text).toCaseFolded();
        int total = 0;
        bool all = true;
        for (const QString& w : words) {
            const int n = CountOf(haystack, w);
            if (n == 0) {
                all = false;
                break;
            }
            total += n;
        }
        if (all)
            found.append({{p.file, p.title}, total});
    }
    std::stable_sort(found.begin(), found.end(), [](const HelpSearchHit& a, const HelpSearchHit& b) {
        if (a.hits != b.hits)
            return a.hits > b.hits;
        return a.page.title.compare(b.page.title, Qt::CaseInsensitive) < 0;
    });
    return found;
}

std::vector<HelpContentsNode> ReadHelpContents(const QString& html)
{
    const std::vector<Token> tokens = Tokens(html);
    std::vector<HelpContentsNode> roots;
    for (std::size_t i = 0; i < tokens.size();) {
        if (IsList(tokens[i]) && !tokens[i].close) {
            ++i;
            for (auto& n : ParseList(tokens, i))
                roots.push_back(std::move(n));
        } else {
            ++i;
        }
    }
    return roots;
}

}  // namespace orv
