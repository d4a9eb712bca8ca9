#include "settings/KeyBinding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace settings {

namespace {

using Error = KeyBindingDecodeError;
using Kind = KeyBindingDecodeError::Kind;

platform::Failure<Error> failure(Kind kind, const QString& key = {})
{
    return platform::fail(Error { kind, key, -1 });
}

// JSON text of one string value, escaped as the JSON writer escapes it.
QByteArray jsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // strip the brackets
}

bool isCanonicalUuid(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return pattern.match(text).hasMatch();
}

// An unsigned integer no larger than `maximum`; integral floating values (1e3) count.
std::optional<std::uint64_t> unsignedValue(const QJsonValue& value, std::uint64_t maximum)
{
    // Integers are kept exactly as written; only values past the signed range arrive as doubles.
    const qint64 integer = value.toInteger(-1);
    if (integer >= 0)
        return static_cast<std::uint64_t>(integer) <= maximum ? std::optional(static_cast<std::uint64_t>(integer))
                                                              : std::nullopt;
    const double number = value.toDouble();
    if (number >= 9223372036854775808.0 && number < 18446744073709551616.0 && std::floor(number) == number) {
        const auto converted = static_cast<std::uint64_t>(number);
        if (converted <= maximum)
            return converted;
    }
    return std::nullopt;
}

} // namespace

QString KeyBinding::modifierSymbols() const
{
    QString symbols;
    if (modifiers & ModifierFlag::command)
        symbols += QChar(0x2318); // ⌘
    if (modifiers & ModifierFlag::option)
        symbols += QChar(0x2325); // ⌥
    if (modifiers & ModifierFlag::control)
        symbols += QChar(0x2303); // ⌃
    if (modifiers & ModifierFlag::shift)
        symbols += QChar(0x21E7); // ⇧
    return symbols;
}

bool KeyBinding::matches(std::uint16_t eventKeyCode, std::uint64_t eventModifiers) const
{
    return eventKeyCode == keyCode
        && (eventModifiers & ModifierFlag::deviceIndependentMask) == (modifiers & ModifierFlag::deviceIndependentMask);
}

QJsonObject KeyBinding::toJson() const
{
    return QJsonObject {
        { QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper() },
        { QStringLiteral("action"), toRaw(action) },
        { QStringLiteral("keyCode"), static_cast<qint64>(keyCode) },
        { QStringLiteral("modifiersRaw"), static_cast<qint64>(modifiers & ModifierFlag::deviceIndependentMask) },
        { QStringLiteral("keyLabel"), keyLabel },
    };
}

QByteArray KeyBinding::encoded() const
{
    QByteArray out;
    out += "{\"id\":" + jsonString(id.toString(QUuid::WithoutBraces).toUpper());
    out += ",\"action\":" + jsonString(toRaw(action));
    out += ",\"keyCode\":" + QByteArray::number(keyCode);
    out += ",\"modifiersRaw\":"
        + QByteArray::number(static_cast<qulonglong>(modifiers & ModifierFlag::deviceIndependentMask));
    out += ",\"keyLabel\":" + jsonString(keyLabel) + "}";
    return out;
}

platform::Result<KeyBinding, KeyBindingDecodeError> KeyBinding::decode(const QJsonValue& record)
{
    if (!record.isObject())
        return failure(Kind::notAnObject);
    const QJsonObject object = record.toObject();

    // Required keys, in the order they are read; the first fault decides the error.
    auto required = [&object](const char* name,
                        bool (QJsonValue::*isType)() const) -> platform::Result<QJsonValue, KeyBindingDecodeError> {
        const QString key = QString::fromLatin1(name);
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return failure(Kind::keyNotFound, key);
        if (!(value.*isType)())
            return failure(Kind::typeMismatch, key);
        return value;
    };

    KeyBinding binding;

    const auto id = required("id", &QJsonValue::isString);
    if (!id)
        return platform::fail(id.error());
    if (!isCanonicalUuid(id->toString()))
        return failure(Kind::dataCorrupted, QStringLiteral("id"));
    binding.id = QUuid::fromString(id->toString());

    const auto action = required("action", &QJsonValue::isString);
    if (!action)
        return platform::fail(action.error());
    const auto parsedAction = fromRaw<PlayerAction>(action->toString());
    if (!parsedAction)
        return failure(Kind::dataCorrupted, QStringLiteral("action"));
    binding.action = *parsedAction;

    const auto keyCode = required("keyCode", &QJsonValue::isDouble);
    if (!keyCode)
        return platform::fail(keyCode.error());
    const auto code = unsignedValue(*keyCode, 0xFFFF);
    if (!code)
        return failure(Kind::dataCorrupted, QStringLiteral("keyCode"));
    binding.keyCode = static_cast<std::uint16_t>(*code);

    const auto modifiersRaw = required("modifiersRaw", &QJsonValue::isDouble);
    if (!modifiersRaw)
        return platform::fail(modifiersRaw.error());
    const auto bits = unsignedValue(*modifiersRaw, std::numeric_limits<std::uint64_t>::max());
    if (!bits)
        return failure(Kind::dataCorrupted, QStringLiteral("modifiersRaw"));
    binding.modifiers = *bits & ModifierFlag::deviceIndependentMask;

    const QJsonValue label = object.value(QStringLiteral("keyLabel"));
    binding.keyLabel = label.isString() ? label.toString() : QStringLiteral("KeyCode %1").arg(binding.keyCode);
    return binding;
}

QByteArray KeyBinding::encodeList(const QList<KeyBinding>& bindings)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < bindings.size(); ++i) {
        if (i > 0)
            out += ',';
        out += bindings[i].encoded();
    }
    out += ']';
    return out;
}

platform::Result<QList<KeyBinding>, KeyBindingDecodeError> KeyBinding::decodeList(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        return failure(Kind::notAnObject);
    QList<KeyBinding> bindings;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        auto binding = decode(array.at(i));
        if (!binding) {
            KeyBindingDecodeError error = binding.error();
            error.index = static_cast<int>(i);
            return platform::fail(error);
        }
        bindings.append(std::move(binding).value());
    }
    return bindings;
}

const QList<KeyBinding>& defaultKeyBindings()
{
    static const QList<KeyBinding> bindings {
        { QUuid::createUuid(), PlayerAction::shuttleReverse, 38, 0, QStringLiteral("J") },
        { QUuid::createUuid(), PlayerAction::stop, 40, 0, QStringLiteral("K") },
        { QUuid::createUuid(), PlayerAction::shuttleForward, 37, 0, QStringLiteral("L") },
        { QUuid::createUuid(), PlayerAction::playPause, 49, 0, QStringLiteral("Space") },
        { QUuid::createUuid(), PlayerAction::markIn, 34, 0, QStringLiteral("I") },
        { QUuid::createUuid(), PlayerAction::markOut, 31, 0, QStringLiteral("O") },
    };
    return bindings;
}

} // namespace settings
