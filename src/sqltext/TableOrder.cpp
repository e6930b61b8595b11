#include "sqltext/TableOrder.h"

#include "sqltext/AsciiText.h"

#include <functional>
#include <unordered_map>

namespace varnett::sqltext {

std::vector<std::size_t> foreignKeyOrder(const std::vector<std::string>& tables,
                                         const std::vector<std::vector<std::string>>& referenced)
{
    std::unordered_map<std::string, std::size_t> position;
    for (std::size_t i = 0; i < tables.size(); ++i)
        position.emplace(toUpperAscii(tables[i]), i);

    enum class State { New, Visiting, Placed };
    std::vector<State> state(tables.size(), State::New);
    std::vector<std::size_t> order;
    order.reserve(tables.size());
    std::function<void(std::size_t)> place = [&](std::size_t i) {
        if (state[i] != State::New)
            return;
        state[i] = State::Visiting;
        if (i < referenced.size()) {
            for (const std::string& parent : referenced[i]) {
                auto found = position.find(toUpperAscii(parent));
                if (found != position.end())
                    place(found->second);
            }
        }
        state[i] = State::Placed;
        order.push_back(i);
    };
    for (std::size_t i = 0; i < tables.size(); ++i)
        place(i);
    return order;
}

} // namespace varnett::sqltext
