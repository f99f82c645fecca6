#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "registry/pure/TreeWalk.h"

namespace {

// A key tree in memory: each path lists its subkey names; some keys refuse deletion.
struct FakeTree {
    std::map<std::string, std::vector<std::string>> children;
    std::set<std::string> undeletable;
    std::vector<std::string> deletedOrder;
    int steps = 0;

    void Add(const std::string& path) {
        children.try_emplace(path);
        size_t slash = path.rfind('\\');
        if (slash == std::string::npos) return;
        std::string parent = path.substr(0, slash);
        Add(parent);
        auto& list = children[parent];
        std::string name = path.substr(slash + 1);
        if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
    }

    vt::reg::TreeWalkOps Ops() {
        vt::reg::TreeWalkOps ops;
        ops.yield = [this] {
            if (++steps > 1000) throw std::runtime_error("walk does not end");
        };
        ops.deleteLeafSubKeys = [this](const std::string& path) {
            int deleted = 0;
            auto& list = children.at(path);
            for (auto it = list.begin(); it != list.end();) {
                std::string child = path + "\\" + *it;
                if (children[child].empty() && !undeletable.count(child)) {
                    children.erase(child);
                    deletedOrder.push_back(child);
                    it = list.erase(it);
                    ++deleted;
                } else {
                    ++it;
                }
            }
            return deleted;
        };
        ops.enumerateKeys = [this](const std::string& path, std::vector<std::string>& names) {
            const auto& list = children.at(path);
            if (list.empty()) return false;
            names = list;
            return true;
        };
        return ops;
    }
};

TEST(TreeWalk, EmptiesTwoLevelsDeepestFirst) {
    FakeTree t;
    for (const char* p : {"K\\A\\A1", "K\\A\\A2\\deep", "K\\B"}) t.Add(p);
    EXPECT_TRUE(vt::reg::ClearSubTree("K", t.Ops()));
    EXPECT_TRUE(t.children.at("K").empty());
    EXPECT_EQ(t.deletedOrder, (std::vector<std::string>{"K\\B", "K\\A\\A1", "K\\A\\A2\\deep", "K\\A\\A2", "K\\A"}));
}

TEST(TreeWalk, KeyWithoutSubkeysIsDoneAtOnce) {
    FakeTree t;
    t.Add("K");
    EXPECT_TRUE(vt::reg::ClearSubTree("K", t.Ops()));
    EXPECT_EQ(t.steps, 1);
}

TEST(TreeWalk, EndsWhenAKeyRefusesDeletion) {
    const struct {
        std::vector<const char*> keys;
        const char* refuses;
    } cases[] = {
        {{"K\\stuck", "K\\other"}, "K\\stuck"},                        // a leaf right below
        {{"K\\other", "K\\stuck"}, "K\\stuck"},                        // not the first name
        {{"K\\A\\B\\stuck", "K\\A\\B\\x", "K\\C"}, "K\\A\\B\\stuck"},  // deep below
        {{"K\\A\\B", "K\\A\\C"}, "K\\A"},                              // a key in the middle
    };
    for (const auto& c : cases) {
        FakeTree t;
        for (const char* k : c.keys) t.Add(k);
        t.undeletable.insert(c.refuses);
        bool result = true;
        EXPECT_NO_THROW(result = vt::reg::ClearSubTree("K", t.Ops())) << c.refuses;
        EXPECT_FALSE(result) << c.refuses;
        EXPECT_TRUE(t.children.count(c.refuses)) << c.refuses;
        // Everything that could go, went.
        for (const auto& [path, list] : t.children)
            for (const auto& name : list) {
                std::string child = path;
                child.append("\\").append(name);
                EXPECT_TRUE(c.refuses == child || std::string(c.refuses).rfind(child + "\\", 0) == 0) << child;
            }
    }
}

}  // namespace
