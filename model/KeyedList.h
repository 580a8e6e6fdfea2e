#pragma once
// The common shape of a computer's child lists: an ordered collection with 1-based
// positions, where an element may also carry a text key (compared without regard to
// letter case). Elements are shared so that one fetched by a caller stays valid even if
// the list changes under it (a dialog can edit a list between two steps of a round).
//
// Item and Remove with a position outside the list or an unknown key throw
// std::out_of_range; Add with a key already present throws std::invalid_argument and
// appends nothing.

#include <QString>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

template <class T>
class KeyedList {
public:
    using Ptr = std::shared_ptr<T>;

    int Count() const { return static_cast<int>(items_.size()); }

    Ptr Item(int position) const {
        if (position < 1 || position > Count()) throw std::out_of_range("position outside the list");
        return items_[static_cast<size_t>(position - 1)].second;
    }
    Ptr Item(const QString& key) const { return items_[indexOfKey(key)].second; }

    void Remove(int position) {
        if (position < 1 || position > Count()) throw std::out_of_range("position outside the list");
        items_.erase(items_.begin() + (position - 1));
    }
    void Remove(const QString& key) { items_.erase(items_.begin() + static_cast<long>(indexOfKey(key))); }

    void Clear() { items_.clear(); }

    // Appends an element made elsewhere (one already put into the tree, say).
    Ptr AddElement(Ptr element, const QString& key = QString()) { return Append(std::move(element), key); }

    // NewEnum: range-for walks the elements in position order.
    class const_iterator {
    public:
        using Inner = typename std::vector<std::pair<QString, Ptr>>::const_iterator;
        explicit const_iterator(Inner it) : it_(it) {}
        const Ptr& operator*() const { return it_->second; }
        const_iterator& operator++() { ++it_; return *this; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }
    private:
        Inner it_;
    };
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

protected:
    Ptr Append(Ptr element, const QString& key) {
        if (!key.isEmpty()) {
            for (const auto& [k, e] : items_)
                if (!k.isEmpty() && k.compare(key, Qt::CaseInsensitive) == 0)
                    throw std::invalid_argument("key already in the list");
        }
        items_.emplace_back(key, element);
        return element;
    }

    template <class Pred>
    int FindFirst(Pred pred) const {
        for (size_t i = 0; i < items_.size(); ++i)
            if (pred(*items_[i].second)) return static_cast<int>(i) + 1;
        return 0;
    }

private:
    size_t indexOfKey(const QString& key) const {
        if (!key.isEmpty())
            for (size_t i = 0; i < items_.size(); ++i)
                if (items_[i].first.compare(key, Qt::CaseInsensitive) == 0) return i;
        throw std::out_of_range("no element under that key");
    }

    std::vector<std::pair<QString, Ptr>> items_;
};
