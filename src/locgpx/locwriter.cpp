#include "locgpx/locwriter.h"

#include <QChar>
#include <charconv>

#include "locgpx/xmlchars.h"

namespace {

enum class Context { Attribute, Content, CData };

void AppendReference(QByteArray& out, char32_t c, Context context) {
    if (context == Context::CData) {
        out.append("]]>");
    }
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<quint32>(c)).ptr;
    out.append("&#");
    out.append(digits, end - digits);
    out.append(';');
    if (context == Context::CData) {
        out.append("<![CDATA[");
    }
}

// Appends text as ISO-8859-1 for the given place in the document.
void AppendXmlText(QByteArray& out, QStringView text, Context context, qsizetype* replaced) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = CodePointAt(s, n, i);
        if (!IsXmlChar(c)) {
            out.append('?');
            ++*replaced;
            continue;
        }
        switch (c) {
            case '&':
                out.append(context == Context::CData ? "&" : "&amp;");
                continue;
            case '<':
                out.append(context == Context::CData ? "<" : "&lt;");
                continue;
            case '"':
                out.append(context == Context::CData ? "\"" : "&quot;");
                continue;
            case '>':
                // "]]>" may stand neither in content nor inside a CDATA
                // section; attributes can hold it.
                if (context != Context::Attribute && i >= 2 && s[i - 1] == ']' && s[i - 2] == ']') {
                    out.append(context == Context::CData ? "]]><![CDATA[>" : "&gt;");
                    continue;
                }
                break;
            case '\r':
                AppendReference(out, c, context);
                continue;
            case '\t':
            case '\n':
                if (context == Context::Attribute) {
                    AppendReference(out, c, context);
                    continue;
                }
                break;
            default:
                break;
        }
        if (c > 0xFF) {
            AppendReference(out, c, context);
        } else {
            out.append(static_cast<char>(c));
        }
    }
}

void AppendWaypoint(QByteArray& out, const Waypoint& w, qsizetype* replaced) {
    out.append("<waypoint>\r\n<name id=\"");
    AppendXmlText(out, w.Name, Context::Attribute, replaced);
    out.append("\">\r\n<![CDATA[");
    AppendXmlText(out, w.Description, Context::CData, replaced);
    out.append("]]>\r\n</name>\r\n<coord lat=\"");
    out.append(NumberText(w.Latitude).toLatin1());
    out.append("\" lon=\"");
    out.append(NumberText(w.Longitude).toLatin1());
    out.append("\"/>\r\n<type>geocache</type>\r\n<link text=\"");
    AppendXmlText(out, w.LinkName, Context::Attribute, replaced);
    out.append("\">");
    AppendXmlText(out, w.Url, Context::Content, replaced);
    out.append("</link>\r\n</waypoint>\r\n");
}

}  // namespace

EncodedFile EncodeLocFile(WaypointStore& store, const Options& /*options*/) {
    EncodedFile file;
    file.bytes.reserve(96 + qsizetype(store.WaypointCount()) * 300);
    file.bytes.append(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><loc version=\"1.0\" src=\"Wayfold\">\r\n");
    MarkExactDuplicates(store);
    EncodeWaypoints(store.Waypoints, file, [&file](const Waypoint& w, qsizetype* replaced) {
        AppendWaypoint(file.bytes, w, replaced);
    });
    file.bytes.append("</loc>\r\n");
    return file;
}

WriteResult WriteLocFile(const QString& path, WaypointStore& store, const Options& options) {
    return SaveStore(path, store, [&] { return EncodeLocFile(store, options); });
}

WriteResult WriteLocFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    return WriteStore(device, path, store, [&] { return EncodeLocFile(store, options); });
}
