#include "host/lib/object_core.h"

#include "host/lib/ani_frame.h"
#include "host/lib/bitmap.h"
#include "host/lib/document.h"
#include "host/lib/factory.h"
#include "host/lib/layer.h"
#include "host/lib/picture.h"

namespace qfhost {

ObjectCore::ObjectCore(Factory& factory, const char* kind, int id)
    : factory_(&factory), log_(&factory.log()), id_(id), label_(kind) {
    if (id > 0) label_ += "#" + std::to_string(id);
}

std::string LabelOf(const IQFObject* object) {
    if (!object) return "null";
    if (const auto* b = dynamic_cast<const Bitmap*>(object)) return b->core().label();
    if (const auto* p = dynamic_cast<const Picture*>(object)) return p->core().label();
    if (const auto* l = dynamic_cast<const Layer*>(object)) return l->core().label();
    if (const auto* f = dynamic_cast<const AniFrame*>(object)) return f->core().label();
    if (const auto* d = dynamic_cast<const Document*>(object)) return d->core().label();
    return "foreign";
}

namespace logarg {

void Append(std::string& out, const IQFObject* object) {
    out += LabelOf(object);
}

}  // namespace logarg

}  // namespace qfhost
