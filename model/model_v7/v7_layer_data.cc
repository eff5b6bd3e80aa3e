#include "model/model_v7/v7_layer_data.h"

#include "engine/filter_context.h"

namespace qfjsbinding {

const std::optional<RECT>& TV7LayerData::selection() const {
    static const std::optional<RECT> none;
    return context ? context->selection : none;
}

}  // namespace qfjsbinding
