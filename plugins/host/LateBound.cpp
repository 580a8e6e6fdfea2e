#include "plugins/host/LateBound.h"

#include <QMetaMethod>
#include <QMetaProperty>

#include <array>
#include <vector>

namespace plugin {

int Put(QObject* object, const char* name, const QVariant& value) {
    if (!object) return ErrNoMember;
    const QMetaObject* mo = object->metaObject();
    const int index = mo->indexOfProperty(name);
    if (index < 0) return ErrNoMember;
    const QMetaProperty property = mo->property(index);
    if (!property.isWritable()) return ErrReadOnly;
    QVariant v = value;
    if (v.metaType() != property.metaType() && property.metaType().id() != QMetaType::QVariant &&
        !v.convert(property.metaType()))
        return ErrTypeMismatch;
    try {
        if (!property.write(object, v)) return ErrTypeMismatch;
        const int err = mo->indexOfProperty("LastError");
        return err < 0 ? ErrNone : mo->property(err).read(object).toInt();
    } catch (...) {
        return ErrCallFailed;
    }
}

int Put(ObjectPtr object, const char* name, const QVariant& value) { return Put(object.get(), name, value); }

std::optional<QVariant> Get(QObject* object, const char* name) {
    if (!object) return std::nullopt;
    const QMetaObject* mo = object->metaObject();
    const int index = mo->indexOfProperty(name);
    if (index < 0) return std::nullopt;
    try {
        QVariant v = mo->property(index).read(object);
        if (!v.isValid()) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<QVariant> Get(ObjectPtr object, const char* name) { return Get(object.get(), name); }

QString GetText(ObjectPtr object, const char* name) {
    const auto v = Get(object.get(), name);
    return v ? v->toString() : QString();
}

std::optional<QVariant> Call(QObject* object, const char* name, const QVariantList& args) {
    if (!object || args.size() > 10) return std::nullopt;
    const QMetaObject* mo = object->metaObject();
    const QByteArray wanted(name);
    for (int i = mo->methodCount() - 1; i >= 0; --i) {  // the most derived first
        const QMetaMethod m = mo->method(i);
        if (m.name() != wanted || m.parameterCount() != args.size() || m.access() != QMetaMethod::Public) continue;
        if (m.methodType() != QMetaMethod::Method && m.methodType() != QMetaMethod::Slot) continue;

        std::vector<QVariant> converted;
        converted.reserve(static_cast<size_t>(args.size()));
        for (int a = 0; a < args.size(); ++a) {
            QVariant v = args.at(a);
            const QMetaType t = m.parameterMetaType(a);
            if (t.id() != QMetaType::QVariant && v.metaType() != t && !v.convert(t)) return std::nullopt;
            converted.push_back(std::move(v));
        }
        // The arguments only point at their type names, so the names must outlive the call.
        std::vector<QByteArray> typeNames;
        typeNames.reserve(converted.size());
        std::array<QGenericArgument, 10> g{};
        for (size_t a = 0; a < converted.size(); ++a) {
            const int pt = m.parameterType(static_cast<int>(a));
            typeNames.push_back(m.parameterTypeName(static_cast<int>(a)));
            g[a] = QGenericArgument(typeNames.back().constData(),
                                    pt == QMetaType::QVariant ? static_cast<const void*>(&converted[a])
                                                              : converted[a].constData());
        }
        const QMetaType rt = m.returnMetaType();
        const bool isVoid = rt.id() == QMetaType::Void;
        QVariant result = isVoid ? QVariant() : QVariant(rt);
        QGenericReturnArgument ret = isVoid ? QGenericReturnArgument() : QGenericReturnArgument(m.typeName(), result.data());
        try {
            if (!m.invoke(object, Qt::DirectConnection, ret, g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9]))
                return std::nullopt;
        } catch (...) {
            return std::nullopt;
        }
        return result;
    }
    return std::nullopt;
}

std::optional<QVariant> Call(ObjectPtr object, const char* name, const QVariantList& args) {
    return Call(object.get(), name, args);
}

bool CallBool(ObjectPtr object, const char* name, const QVariantList& args) {
    const auto r = Call(object.get(), name, args);
    return r && r->metaType().id() == QMetaType::Bool && r->toBool();
}

}  // namespace plugin
