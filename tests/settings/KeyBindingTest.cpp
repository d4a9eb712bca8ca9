#include "settings/KeyBinding.h"
#include "settings/KeyStroke.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace settings {

namespace {

const QString kId = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

QJsonObject validRecord()
{
    return QJsonObject { { "id", kId }, { "action", "markIn" }, { "keyCode", 34 }, { "modifiersRaw", 0x100108 },
        { "keyLabel", "I" } };
}

} // namespace

TEST(KeyBinding, RecordRoundTripMasksDeviceDependentBits)
{
    const auto decoded = KeyBinding::decode(validRecord());
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->id, QUuid::fromString(kId));
    EXPECT_EQ(decoded->action, PlayerAction::markIn);
    EXPECT_EQ(decoded->keyCode, 34);
    EXPECT_EQ(decoded->modifiers, ModifierFlag::command);
    EXPECT_EQ(decoded->keyLabel, "I");

    const QByteArray text = decoded->encoded();
    EXPECT_EQ(text,
        QByteArray(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","action":"markIn","keyCode":34,)"
                   R"("modifiersRaw":1048576,"keyLabel":"I"})"));
    EXPECT_EQ(QJsonDocument::fromJson(text).object(), decoded->toJson());

    // A binding built in memory with stray low bits still stores only the high ones.
    KeyBinding binding { QUuid::createUuid(), PlayerAction::stop, 40, ModifierFlag::shift | 0x2, "K \"quoted\" ⌘" };
    const auto back = KeyBinding::decode(QJsonDocument::fromJson(binding.encoded()).object());
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->modifiers, ModifierFlag::shift);
    EXPECT_EQ(back->keyLabel, binding.keyLabel);
    EXPECT_EQ(back->id, binding.id);

    // Lower-case identifiers are read too.
    QJsonObject lower = validRecord();
    lower["id"] = kId.toLower();
    EXPECT_EQ(KeyBinding::decode(lower)->id, QUuid::fromString(kId));
}

TEST(KeyBinding, MissingOrOddLabelFallsBackToTheKeyCode)
{
    for (const QJsonValue& label : { QJsonValue(QJsonValue::Undefined), QJsonValue(7) }) {
        QJsonObject object = validRecord();
        object["keyCode"] = 49;
        if (label.isUndefined())
            object.remove("keyLabel");
        else
            object["keyLabel"] = label;
        const auto decoded = KeyBinding::decode(object);
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded->keyLabel, "KeyCode 49");
    }
}

TEST(KeyBinding, RequiredKeysFailTheRecord)
{
    using Kind = KeyBindingDecodeError::Kind;
    struct Case {
        const char* key;
        QJsonValue value; // Undefined: removed
        Kind kind;
    };
    const Case cases[] = {
        { "id", QJsonValue::Undefined, Kind::keyNotFound },
        { "id", 5, Kind::typeMismatch },
        { "id", "not-a-uuid", Kind::dataCorrupted },
        { "id", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}", Kind::dataCorrupted },
        { "action", "MarkIn", Kind::dataCorrupted },
        { "keyCode", 65536, Kind::dataCorrupted },
        { "keyCode", -1, Kind::dataCorrupted },
        { "keyCode", 38.5, Kind::dataCorrupted },
        { "modifiersRaw", -131072, Kind::dataCorrupted },
    };
    for (const Case& c : cases) {
        QJsonObject object = validRecord();
        if (c.value.isUndefined())
            object.remove(c.key);
        else
            object[c.key] = c.value;
        const auto decoded = KeyBinding::decode(object);
        ASSERT_FALSE(decoded.ok()) << c.key;
        EXPECT_EQ(decoded.error().kind, c.kind) << c.key;
        EXPECT_EQ(decoded.error().key, c.key);
    }
    EXPECT_EQ(KeyBinding::decode(QJsonValue("x")).error().kind, Kind::notAnObject);

    // Limits that are still valid.
    QJsonObject edge = validRecord();
    edge["keyCode"] = 65535;
    edge["modifiersRaw"] = 0;
    EXPECT_EQ(KeyBinding::decode(edge)->keyCode, 65535);
    edge["modifiersRaw"] = 9223372036854775808.0 + 4294901760.0; // beyond the signed range, still exact
    EXPECT_EQ(KeyBinding::decode(edge)->modifiers, 0xFFFF0000u);
}

TEST(KeyBinding, ListsAreReadInOnePiece)
{
    QList<KeyBinding> bindings = defaultKeyBindings();
    bindings[1].modifiers = ModifierFlag::option | ModifierFlag::capsLock;
    const QByteArray json = KeyBinding::encodeList(bindings);
    const auto back = KeyBinding::decodeList(json);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, bindings);

    QJsonArray array = QJsonDocument::fromJson(json).array();
    QJsonObject broken = array[3].toObject();
    broken.remove("action");
    array[3] = broken;
    const auto failed = KeyBinding::decodeList(QJsonDocument(array).toJson());
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().index, 3);
    EXPECT_EQ(failed.error().key, "action");

    EXPECT_FALSE(KeyBinding::decodeList("{}").ok());
    EXPECT_FALSE(KeyBinding::decodeList("[{\"id\":").ok());
    EXPECT_TRUE(KeyBinding::decodeList("[]").ok());
}

TEST(KeyBinding, MatchingIgnoresDeviceDependentBits)
{
    using namespace ModifierFlag;
    KeyBinding binding { QUuid::createUuid(), PlayerAction::playPause, 40, 0, "K" };
    EXPECT_TRUE(binding.matches(40, 0));
    EXPECT_TRUE(binding.matches(40, 0x0108)); // device-dependent bits are ignored
    EXPECT_FALSE(binding.matches(40, capsLock));
    EXPECT_FALSE(binding.matches(41, 0));
    EXPECT_FALSE(binding.matches(40, shift));
}

TEST(KeyStroke, QtKeyEventsTranslateToStoredCodes)
{
    using namespace ModifierFlag;
    // The default keys, pressed on a Linux keyboard, hit the default bindings.
    const std::pair<int, std::uint16_t> defaults[] = { { Qt::Key_J, 38 }, { Qt::Key_K, 40 }, { Qt::Key_L, 37 },
        { Qt::Key_Space, 49 }, { Qt::Key_I, 34 }, { Qt::Key_O, 31 } };
    for (int i = 0; i < 6; ++i) {
        const auto stroke = keyStrokeFromQt(defaults[i].first, Qt::NoModifier);
        ASSERT_TRUE(stroke.has_value());
        EXPECT_EQ(stroke->keyCode, defaults[i].second);
        EXPECT_TRUE(defaultKeyBindings()[i].matches(stroke->keyCode, stroke->modifiers));
    }

    EXPECT_EQ(keyStrokeFromQt(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier), (KeyStroke { 40, command | shift }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_A, Qt::MetaModifier | Qt::AltModifier), (KeyStroke { 0, control | option }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Exclam, Qt::ShiftModifier), keyStrokeFromQt(Qt::Key_1, Qt::ShiftModifier));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_5, Qt::KeypadModifier), (KeyStroke { 87, numericPad }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_5, Qt::NoModifier), (KeyStroke { 23, 0 }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Enter, Qt::NoModifier), (KeyStroke { 76, numericPad }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Return, Qt::NoModifier), (KeyStroke { 36, 0 }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Left, Qt::NoModifier), (KeyStroke { 123, function | numericPad }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_F1, Qt::NoModifier), (KeyStroke { 122, function }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Backtab, Qt::ShiftModifier), (KeyStroke { 48, shift }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Shift, Qt::ShiftModifier), std::nullopt);
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_VolumeUp, Qt::NoModifier), std::nullopt);

    const auto stroke = keyStrokeFromQt(Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(stroke.has_value());
    KeyBinding bound { QUuid::createUuid(), PlayerAction::shuttleForward, stroke->keyCode, stroke->modifiers, "L" };
    EXPECT_TRUE(bound.matches(stroke->keyCode, stroke->modifiers));
    EXPECT_FALSE(bound.matches(keyStrokeFromQt(Qt::Key_L, Qt::NoModifier)->keyCode, 0));
}

} // namespace settings
