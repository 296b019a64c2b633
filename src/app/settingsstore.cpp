#include "app/settingsstore.h"

namespace orv {

std::unique_ptr<QSettings> OpenSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvanedit"),
                                       QStringLiteral("Orvane"));
}

void LoadSettings(QSettings& store, Settings& s)
{
    store.beginGroup(QLatin1String(kSettingsGroup));
    for (const auto& f : SettingFields()) {
        const QString key = QString::fromLatin1(f.key);
        if (!store.contains(key))
            continue;
        const QVariant v = store.value(key);
        bool ok = false;
        switch (f.kind) {
        case SettingField::Kind::Integer: {
            const int i = v.toInt(&ok);
            if (ok)
                s.*f.integer = i;
            break;
        }
        case SettingField::Kind::Color: {
            const qlonglong i = v.toLongLong(&ok);
            if (ok)
                s.*f.color = static_cast<uint32_t>(i);
            break;
        }
        case SettingField::Kind::FloatText: s.*f.real = ParseFloatSetting(v.toString().toStdString(), s.*f.real); break;
        case SettingField::Kind::Text: s.*f.text = v.toString().toStdString(); break;
        case SettingField::Kind::TextList: {
            std::vector<std::string> list;
            for (const QString& item : v.toStringList())
                if (!item.isEmpty())
                    list.push_back(item.toStdString());
            s.*f.list = std::move(list);
            break;
        }
        }
    }
    store.endGroup();
}

void SaveSettings(QSettings& store, const Settings& s)
{
    store.beginGroup(QLatin1String(kSettingsGroup));
    for (const auto& f : SettingFields()) {
        const QString key = QString::fromLatin1(f.key);
        switch (f.kind) {
        case SettingField::Kind::Integer: store.setValue(key, s.*f.integer); break;
        case SettingField::Kind::Color: store.setValue(key, static_cast<qlonglong>(s.*f.color)); break;
        case SettingField::Kind::FloatText:
            store.setValue(key, QString::fromStdString(FormatFloatSetting(s.*f.real)));
            break;
        case SettingField::Kind::Text: store.setValue(key, QString::fromStdString(s.*f.text)); break;
        case SettingField::Kind::TextList: {
            QStringList list;
            for (const std::string& item : s.*f.list)
                list.append(QString::fromStdString(item));
            store.setValue(key, list);
            break;
        }
        }
    }
    store.endGroup();
    store.sync();
}

}  // namespace orv
