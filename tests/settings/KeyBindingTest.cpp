#include "settings/KeyBinding.h"
#include "settings/KeyStroke.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

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
    EXPECT_EQ(decoded->modifiers, ModifierFlag::command);

    const QByteArray text = decoded->encoded();
    EXPECT_EQ(text,
        QByteArray(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","action":"markIn","keyCode":34,)"
                   R"("modifiersRaw":1048576,"keyLabel":"I"})"));
    EXPECT_EQ(QJsonDocument::fromJson(text).object(), decoded->toJson());

    // Lower-case identifiers are read too.
    QJsonObject lower = validRecord();
    lower["id"] = kId.toLower();
    EXPECT_EQ(KeyBinding::decode(lower)->id, QUuid::fromString(kId));
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
        { "action", "MarkIn", Kind::dataCorrupted },
        { "keyCode", 65536, Kind::dataCorrupted },
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

    // Limits that are still valid; an odd label falls back to the key code.
    QJsonObject edge = validRecord();
    edge["keyLabel"] = 7;
    EXPECT_EQ(KeyBinding::decode(edge)->keyLabel, "KeyCode 34");
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

    EXPECT_FALSE(KeyBinding::decodeList("[{\"id\":").ok());
}

TEST(KeyStroke, QtKeyEventsTranslateToStoredCodes)
{
    using namespace ModifierFlag;
    // The default keys, pressed on a Linux keyboard, hit the default bindings.
    const int defaults[] = { Qt::Key_J, Qt::Key_K, Qt::Key_L, Qt::Key_Space, Qt::Key_I, Qt::Key_O };
    for (int i = 0; i < 6; ++i) {
        const auto stroke = keyStrokeFromQt(defaults[i], Qt::NoModifier);
        ASSERT_TRUE(stroke.has_value());
        EXPECT_TRUE(defaultKeyBindings()[i].matches(stroke->keyCode, stroke->modifiers)) << i;
    }

    EXPECT_EQ(keyStrokeFromQt(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier), (KeyStroke { 40, command | shift }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_5, Qt::KeypadModifier), (KeyStroke { 87, numericPad }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Left, Qt::NoModifier), (KeyStroke { 123, function | numericPad }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Backtab, Qt::ShiftModifier), (KeyStroke { 48, shift }));
    EXPECT_EQ(keyStrokeFromQt(Qt::Key_Shift, Qt::ShiftModifier), std::nullopt);

    // Matching ignores device-dependent bits, never a modifier.
    KeyBinding binding { QUuid::createUuid(), PlayerAction::playPause, 40, 0, "K" };
    EXPECT_TRUE(binding.matches(40, 0x0108));
    EXPECT_FALSE(binding.matches(40, capsLock));
    EXPECT_FALSE(binding.matches(40, shift));
}

} // namespace settings
