// Feeds arbitrary bytes to the property-bag parser. A bag that parses must read back in full,
// and writing its values into a new bag must give the same bytes (one encoding per bag).
#include "common/RunTimeError.h"
#include "persistence/PropertyBag.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    PropertyBag bag;
    try {
        bag.setContents(bytes);
    } catch (const RunTimeError& error) {
        if (error.number() != ErrorNumber::BadFileFormat)
            std::abort();
        if (bag.count() != 0 || bag.Contents() != QByteArray(1, char(PropertyBag::Version)))
            std::abort(); // a refused parse leaves the bag as it was
        return 0;
    }
    PropertyBag copy;
    const QStringList names = bag.names();
    for (const QString& name : names)
        copy.WriteProperty(name, bag.ReadProperty(name));
    if (copy.Contents() != bytes || copy.count() != bag.count())
        std::abort();
    for (qsizetype i = names.size() - 1; i >= 0; --i) // out of order: through the index
        if (!(copy.ReadProperty(names[i]) == bag.ReadProperty(names[i])))
            std::abort();
    return 0;
}
