#include "playback/ClipItem.h"

#include "playback/JsonTextWriter.h"

#include <QDate>
#include <QFileInfo>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <limits>

namespace playback {

namespace {

using Key = ClipItem::CodingKeys;

const char* rawKey(Key key)
{
    return settings::enumCase(key).rawValue;
}
QLatin1String keyName(Key key)
{
    return QLatin1String(rawKey(key));
}

QStringList tokensOf(const QString& stem)
{
    return stem.split(QLatin1Char('-'), Qt::SkipEmptyParts);
}

// "yyyy", "MM", "dd" as the recorder writes the date at the end of a take's name.
bool formsDate(const QString& year, const QString& month, const QString& day)
{
    const auto allDigits = [](const QString& s) {
        for (const QChar c : s) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        return true;
    };
    if (year.size() != 4 || month.size() != 2 || day.size() != 2 || !allDigits(year) || !allDigits(month)
        || !allDigits(day))
        return false;
    return QDate(year.toInt(), month.toInt(), day.toInt()).isValid();
}

QString typeError(Key key, const char* expected)
{
    return QStringLiteral("\"%1\" is not %2").arg(keyName(key), QLatin1String(expected));
}

QString missingError(Key key)
{
    return QStringLiteral("\"%1\" is missing").arg(keyName(key));
}

// Reads one member into `field`: `read` turns a present value into the field or fails with
// nothing. An absent member or null leaves an optional field empty and fails a required one.
template <class T, class Read>
bool readField(const QJsonObject& object, Key key, std::optional<T>& field, Read read, const char* expected,
    bool required, QString& error)
{
    const QJsonValue value = object.value(keyName(key));
    if (value.isUndefined() && required) {
        error = missingError(key);
        return false;
    }
    if (value.isUndefined() || (value.isNull() && !required))
        return true;
    field = read(value);
    if (!field)
        error = typeError(key, expected);
    return field.has_value();
}

std::optional<QUuid> readUuid(const QJsonValue& value)
{
    return value.isString() ? parseUuid(value.toString()) : std::nullopt;
}

std::optional<QUrl> readUrl(const QJsonValue& value)
{
    if (!value.isString() || value.toString().isEmpty())
        return std::nullopt;
    const QUrl url(value.toString(), QUrl::StrictMode);
    return url.isValid() ? std::optional<QUrl>(url) : std::nullopt;
}

std::optional<bool> readBool(const QJsonValue& value)
{
    return value.isBool() ? std::optional<bool>(value.toBool()) : std::nullopt;
}

std::optional<double> readNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

std::optional<QString> readString(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// A whole number within the signed 64-bit range; 3.0 counts, 3.5 does not.
std::optional<qint64> readInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return std::nullopt;
    return value.toInteger(static_cast<qint64>(d));
}

} // namespace

QString lastPathComponent(const QUrl& url)
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 || path.size() == 1 ? path : path.mid(slash + 1);
}

QString deletingPathExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

std::optional<qint64> parseDecimalInteger(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool negative = false;
    qsizetype i = 0;
    if (text.front() == QLatin1Char('+') || text.front() == QLatin1Char('-')) {
        negative = text.front() == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so that the most negative value fits.
    qint64 value = 0;
    constexpr qint64 minimum = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - '0';
        if (value < (minimum + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == minimum)
        return std::nullopt;
    return -value;
}

std::optional<QUuid> parseUuid(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (int i = 0; i < 36; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (dash ? c != u'-' : !hex)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

QString uuidText(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

bool clipFileExists(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    return QFileInfo::exists(url.toLocalFile());
}

QString ClipItem::slateDisplayName() const
{
    const QString stem = deletingPathExtension(lastPathComponent(url));
    const QStringList tokens = tokensOf(stem);
    const qsizetype n = tokens.size();

    if (n >= 7 && tokens[0].startsWith(QLatin1String("R")) && tokens[1].startsWith(QLatin1String("SC"))
        && tokens[2].startsWith(QLatin1String("T")) && tokens[3].startsWith(QLatin1String("Cam"))) {
        // A recording's name ends with its date; cutting the last token would cut the day off.
        if (formsDate(tokens[n - 3], tokens[n - 2], tokens[n - 1]))
            return stem;
        if (parseDecimalInteger(tokens[n - 1]))
            return tokens.mid(0, n - 1).join(QLatin1Char('-'));
        return stem;
    }
    if (n < 4)
        return stem;

    const QString head = tokens.mid(0, 3).join(QLatin1Char('-'));
    if (n <= 5)
        return head;

    QString datePart = tokens.mid(3, n - 4).join(QLatin1Char('-'));
    const QStringList pieces = tokensOf(datePart);
    if (pieces.size() == 3)
        datePart = pieces[2] + QLatin1Char('-') + pieces[1] + QLatin1Char('-') + pieces[0];
    QString cameraPart = tokens[n - 1];
    cameraPart.replace(QLatin1String("input"), QLatin1String("Cam"));
    return head + QLatin1Char('-') + cameraPart + QLatin1Char('-') + datePart;
}

QString ClipItem::formatLabel() const
{
    if (!formatWidth || !formatHeight)
        return QStringLiteral("\u2014");
    const QString scan = (formatScan && !formatScan->isEmpty() ? *formatScan : QStringLiteral("p")).toUpper();
    const QString size = QStringLiteral("%1x%2").arg(*formatWidth).arg(*formatHeight);
    if (!formatFPS || !(*formatFPS > 0.0))
        return size + QStringLiteral(" -") + scan;

    struct Row {
        double rate;
        const char* text;
    };
    static constexpr Row rows[] = {
        { 23.976, "24" },
        { 24.0, "24" },
        { 25.0, "25" },
        { 29.97, "30" },
        { 30.0, "30" },
        { 47.95, "48" },
        { 48.0, "48" },
        { 50.0, "50" },
        { 59.94, "60" },
        { 60.0, "60" },
    };
    QString rate;
    for (const Row& row : rows) {
        if (std::fabs(row.rate - *formatFPS) < 0.3) {
            rate = QLatin1String(row.text);
            break;
        }
    }
    if (rate.isNull())
        rate = QString::asprintf("%.0f", std::round(*formatFPS));
    return size + QLatin1Char(' ') + rate + scan;
}

platform::Result<ClipItem, QString> ClipItem::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return platform::fail(QStringLiteral("a clip is not an object"));
    const QJsonObject object = value.toObject();
    std::optional<QUuid> id;
    std::optional<QUrl> url;
    std::optional<QString> title;
    std::optional<double> duration;
    std::optional<bool> isGood;
    ClipItem clip;
    QString error;
    if (!readField(object, Key::id, id, readUuid, "a UUID", true, error)
        || !readField(object, Key::url, url, readUrl, "a URL", true, error)
        || !readField(object, Key::title, title, readString, "a string", true, error)
        || !readField(object, Key::duration, duration, readNumber, "a number", true, error)
        || !readField(object, Key::markIn, clip.markIn, readNumber, "a number", false, error)
        || !readField(object, Key::markOut, clip.markOut, readNumber, "a number", false, error)
        || !readField(object, Key::reel, clip.reel, readString, "a string", false, error)
        || !readField(object, Key::scene, clip.scene, readString, "a string", false, error)
        || !readField(object, Key::take, clip.take, readInteger, "an integer", false, error)
        || !readField(object, Key::inputNumber, clip.inputNumber, readInteger, "an integer", false, error)
        || !readField(object, Key::isGood, isGood, readBool, "a Boolean", false, error))
        return platform::fail(error);
    clip.id = *id;
    clip.url = *url;
    clip.title = *title;
    clip.duration = *duration;
    clip.isGood = isGood.value_or(false);
    return clip;
}

void ClipItem::writeJson(JsonTextWriter& writer) const
{
    const auto optional = [&writer](Key key, const auto& field) {
        if (field) {
            writer.key(rawKey(key));
            writer.value(*field);
        }
    };
    const auto finite = [](const std::optional<double>& v) { return v && std::isfinite(*v) ? v : std::nullopt; };
    writer.beginObject();
    writer.key(rawKey(Key::id));
    writer.value(uuidText(id));
    writer.key(rawKey(Key::url));
    writer.value(url.toString(QUrl::FullyEncoded));
    writer.key(rawKey(Key::title));
    writer.value(title);
    writer.key(rawKey(Key::duration));
    writer.value(std::isfinite(duration) ? duration : 0.0);
    optional(Key::markIn, finite(markIn));
    optional(Key::markOut, finite(markOut));
    optional(Key::reel, reel);
    optional(Key::scene, scene);
    optional(Key::take, take);
    optional(Key::inputNumber, inputNumber);
    writer.key(rawKey(Key::isGood));
    writer.value(isGood);
    writer.endObject();
}

} // namespace playback
