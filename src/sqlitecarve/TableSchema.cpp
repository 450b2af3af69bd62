// Parsing CREATE TABLE texts into column lists.
#include "sqlitecarve/TableSchema.h"

#include "platform/Text.h"

#include <cctype>

namespace sqlitecarve {

namespace {

struct Token
{
    std::string text;
    bool quoted = false;
    bool group = false;
};

bool isWordChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) != 0 || c == '_' || c == '$' || u >= 0x80;
}

// Splits one column definition (or the text around the column list) into tokens: words,
// quoted names, parenthesised groups and single punctuation characters.
std::vector<Token> tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++i;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? text.size() : end + 2;
        } else if (c == '"' || c == '\'' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            Token token;
            token.quoted = true;
            ++i;
            while (i < text.size()) {
                if (text[i] == close) {
                    if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
                        token.text.push_back(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text.push_back(text[i++]);
            }
            tokens.push_back(std::move(token));
        } else if (c == '(') {
            int depth = 0;
            const std::size_t start = i;
            while (i < text.size()) {
                if (text[i] == '(') {
                    ++depth;
                } else if (text[i] == ')' && --depth == 0) {
                    ++i;
                    break;
                }
                ++i;
            }
            tokens.push_back({std::string(text.substr(start, i - start)), false, true});
        } else if (isWordChar(c)) {
            const std::size_t start = i;
            while (i < text.size() && isWordChar(text[i])) {
                ++i;
            }
            tokens.push_back({std::string(text.substr(start, i - start)), false, false});
        } else {
            tokens.push_back({std::string(1, c), false, false});
            ++i;
        }
    }
    return tokens;
}

bool isKeyword(const Token& token, std::string_view word)
{
    return !token.quoted && platform::compareAsciiNoCase(token.text, word) == 0;
}

bool startsConstraint(const Token& token)
{
    static constexpr std::string_view kWords[] = {"CONSTRAINT",
                                                  "PRIMARY",
                                                  "NOT",
                                                  "NULL",
                                                  "UNIQUE",
                                                  "CHECK",
                                                  "DEFAULT",
                                                  "COLLATE",
                                                  "REFERENCES",
                                                  "GENERATED",
                                                  "AS"};
    for (const std::string_view word : kWords) {
        if (isKeyword(token, word)) {
            return true;
        }
    }
    return false;
}

// Follows the quoting of SQL text character by character: answers whether `c` opens, closes
// or lies inside a quoted name or string ("…", '…', `…`, […]), keeping in `quote` the character
// that closes the quote open so far (0 outside quotes).
bool followQuote(char c, char& quote)
{
    if (quote != 0) {
        if (c == quote) {
            quote = 0;
        }
        return true;
    }
    if (c == '"' || c == '\'' || c == '`') {
        quote = c;
        return true;
    }
    if (c == '[') {
        quote = ']';
        return true;
    }
    return false;
}

// Splits the inside of the column list at top-level commas, outside quotes.
std::vector<std::string_view> splitDefinitions(std::string_view body)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (followQuote(c, quote)) {
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(body.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(body.substr(start));
    return parts;
}

// Finds the outermost parenthesised column list outside quotes; npos when there is none.
std::size_t findListOpen(std::string_view sql)
{
    char quote = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        if (!followQuote(sql[i], quote) && sql[i] == '(') {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

Affinity affinityOf(std::string_view declaredType)
{
    const std::string upper = [&] {
        std::string text(declaredType);
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return text;
    }();
    if (upper.find("INT") != std::string::npos) {
        return Affinity::Integer;
    }
    if (upper.find("CHAR") != std::string::npos || upper.find("CLOB") != std::string::npos ||
        upper.find("TEXT") != std::string::npos) {
        return Affinity::Text;
    }
    if (upper.empty() || upper.find("BLOB") != std::string::npos) {
        return Affinity::Blob;
    }
    if (upper.find("REAL") != std::string::npos || upper.find("FLOA") != std::string::npos ||
        upper.find("DOUB") != std::string::npos) {
        return Affinity::Real;
    }
    return Affinity::Numeric;
}

int TableSchema::columnIndex(std::string_view column) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (platform::compareAsciiNoCase(columns[i].name, column) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TableSchema::rowidAliasIndex() const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].rowidAlias) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

// `sql` with its comments replaced by spaces (quoted text left alone).
std::string withoutComments(std::string_view sql)
{
    std::string out(sql);
    char quote = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (followQuote(c, quote)) {
            continue;
        }
        if (c == '-' && i + 1 < out.size() && out[i + 1] == '-') {
            while (i < out.size() && out[i] != '\n') {
                out[i++] = ' ';
            }
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            const std::size_t end = out.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? out.size() : end + 2;
            for (; i < stop; ++i) {
                out[i] = ' ';
            }
            --i;
        }
    }
    return out;
}

} // namespace

bool parseCreateTable(std::string_view original, TableSchema& table)
{
    const std::string text = withoutComments(original);
    const std::string_view sql = text;
    table.columns.clear();
    const std::size_t open = findListOpen(sql);
    const std::vector<Token> head = tokenize(sql.substr(0, open));
    table.isVirtual = head.size() > 1 && isKeyword(head[1], "VIRTUAL");
    if (open == std::string_view::npos) {
        return false;
    }
    const std::vector<Token> list = tokenize(sql.substr(open));
    if (list.empty() || !list.front().group) {
        return false;
    }
    const std::string& group = list.front().text;
    const std::string_view body = std::string_view(group).substr(1, group.size() - 2);
    for (std::size_t i = 1; i + 1 < list.size(); ++i) {
        if (isKeyword(list[i], "WITHOUT") && isKeyword(list[i + 1], "ROWID")) {
            table.withoutRowid = true;
        }
    }
    std::vector<std::string> tablePrimaryKey;
    for (const std::string_view definition : splitDefinitions(body)) {
        const std::vector<Token> tokens = tokenize(definition);
        if (tokens.empty()) {
            continue;
        }
        const Token& first = tokens.front();
        if (isKeyword(first, "CONSTRAINT") || isKeyword(first, "PRIMARY") ||
            isKeyword(first, "UNIQUE") || isKeyword(first, "CHECK") ||
            isKeyword(first, "FOREIGN")) {
            for (std::size_t i = 0; i + 2 < tokens.size(); ++i) {
                if (isKeyword(tokens[i], "PRIMARY") && isKeyword(tokens[i + 1], "KEY") &&
                    tokens[i + 2].group) {
                    const std::string& inner = tokens[i + 2].text;
                    for (const std::string_view part :
                         splitDefinitions(std::string_view(inner).substr(1, inner.size() - 2))) {
                        const std::vector<Token> names = tokenize(part);
                        if (!names.empty()) {
                            tablePrimaryKey.push_back(names.front().text);
                        }
                    }
                }
            }
            continue;
        }
        ColumnInfo column;
        column.name = first.text;
        std::size_t i = 1;
        for (; i < tokens.size() && !startsConstraint(tokens[i]); ++i) {
            if (!column.declaredType.empty() && !tokens[i].group) {
                column.declaredType.push_back(' ');
            }
            column.declaredType += tokens[i].text;
        }
        bool primaryKey = false;
        for (; i < tokens.size(); ++i) {
            if (i + 1 < tokens.size() && isKeyword(tokens[i], "PRIMARY") &&
                isKeyword(tokens[i + 1], "KEY")) {
                // The format's quirk: INTEGER PRIMARY KEY DESC is not a rowid alias.
                primaryKey = !(i + 2 < tokens.size() && isKeyword(tokens[i + 2], "DESC"));
            }
            if (i + 1 < tokens.size() && isKeyword(tokens[i], "NOT") &&
                isKeyword(tokens[i + 1], "NULL")) {
                column.notNull = true;
            }
        }
        column.affinity = affinityOf(column.declaredType);
        column.rowidAlias = primaryKey && !table.withoutRowid &&
                            platform::compareAsciiNoCase(column.declaredType, "INTEGER") == 0;
        table.columns.push_back(std::move(column));
    }
    if (tablePrimaryKey.size() == 1 && !table.withoutRowid) {
        const int index = table.columnIndex(tablePrimaryKey.front());
        if (index >= 0 &&
            platform::compareAsciiNoCase(table.columns[index].declaredType, "INTEGER") == 0) {
            table.columns[index].rowidAlias = true;
        }
    }
    return !table.columns.empty();
}

} // namespace sqlitecarve
