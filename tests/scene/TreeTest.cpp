#include "SceneFixtures.h"
#include "platform/Log.h"
#include "scene/ClassSelfCheck.h"
#include "scene/ObjectList.h"
#include "scene/TvxContent.h"

#include <gtest/gtest.h>

namespace hx::test {

namespace {
    std::vector<TvxObject*> Kids(const TvxObject& o) { return o.Children(); }
} // namespace

TEST(Tree, AddObjectTwiceChangesNothingAndAnotherParentMoves)
{
    TvxObject a(nullptr), b(nullptr);
    auto* c1 = new TvxObject(nullptr);
    auto* c2 = new TvxObject(nullptr);
    a.AddObject(c1);
    a.AddObject(c2);
    a.AddObject(c1);
    a.AddObject(nullptr);
    EXPECT_EQ(Kids(a), (std::vector<TvxObject*> { c1, c2 }));
    EXPECT_EQ(c2->Index(), 1);
    b.AddObject(c1);
    EXPECT_EQ(Kids(a), (std::vector<TvxObject*> { c2 }));
    EXPECT_EQ(c2->Index(), 0); // later siblings' cached indexes were reset
    EXPECT_EQ(c1->Parent(), &b);
    c1->SetParent(&a);
    EXPECT_EQ(Kids(a), (std::vector<TvxObject*> { c2, c1 }));
    EXPECT_EQ(b.ChildrenCount(), 0);
    EXPECT_EQ(a.Child(2), nullptr);
    EXPECT_EQ(a.Child(-1), nullptr);
    // An object cannot become a child of its own descendant.
    testing::internal::CaptureStderr();
    SetLogSink([](std::string_view) {});
    c1->AddObject(&a);
    SetLogSink({});
    EXPECT_EQ(a.Parent(), nullptr);
    testing::internal::GetCapturedStderr();
}

TEST(Tree, FindByResourceName)
{
    TvxObject root(nullptr);
    auto* plain = new TvxObject(nullptr);
    auto* control = new TTestControl(nullptr);
    auto* deep = new TvxObject(nullptr);
    auto* hidden = new TvxObject(nullptr);
    root.AddObject(plain);
    root.AddObject(control);
    plain->AddObject(deep);
    control->AddObject(hidden);
    deep->SetResourceName("Text");
    hidden->SetResourceName("inner");
    control->SetResourceName("ctl");
    EXPECT_EQ(root.FindByResourceName("text"), deep); // depth first, case-insensitive
    EXPECT_EQ(root.FindByResourceName("CTL"), control);
    EXPECT_EQ(root.FindByResourceName("inner"), nullptr); // not inside nested controls
    EXPECT_EQ(control->FindByResourceName("inner"), hidden);
    hidden->SetResourceName("");
    EXPECT_EQ(root.FindByResourceName(""), nullptr);
}

TEST(Tree, ReorderingRealignsTheParent)
{
    TTestVisual parent(nullptr);
    auto* a = new TTestVisual(nullptr);
    auto* b = new TTestVisual(nullptr);
    auto* c = new TTestVisual(nullptr);
    for (auto* o : { a, b, c })
        parent.AddObject(o);
    parent.realigns = 0;
    c->SetIndex(0);
    EXPECT_EQ(Kids(parent), (std::vector<TvxObject*> { c, a, b }));
    EXPECT_EQ(parent.realigns, 1);
    parent.Exchange(c, b);
    EXPECT_EQ(Kids(parent), (std::vector<TvxObject*> { b, a, c }));
    EXPECT_EQ(b->Index(), 0);
    EXPECT_EQ(c->Index(), 2);
    EXPECT_EQ(parent.realigns, 2);
    c->SendToBack();
    EXPECT_EQ(Kids(parent), (std::vector<TvxObject*> { c, b, a }));
    EXPECT_EQ(parent.realigns, 3);
    c->BringToFront();
    EXPECT_EQ(Kids(parent), (std::vector<TvxObject*> { b, a, c }));
    EXPECT_EQ(c->repaints, 1);
    a->SetIndex(99); // clamped to the last place
    EXPECT_EQ(a->Index(), 2);
    // An exchange with a stranger, or while loading, does nothing / does not realign.
    TTestVisual stranger(nullptr);
    parent.Exchange(a, &stranger);
    EXPECT_EQ(a->Index(), 2);
    parent.SetLoadingState(true);
    int before = parent.realigns;
    parent.Exchange(a, b);
    EXPECT_EQ(parent.realigns, before);
}

TEST(Tree, DestructionTellsTheSceneLeavesTheParentAndFreesTheSubtree)
{
    TTestScene scene;
    auto* root = new TvxObject(nullptr);
    root->SetParentComponent(&scene); // a root object joins the scene
    ASSERT_EQ(scene.roots, (std::vector<TvxObject*> { root }));
    EXPECT_EQ(root->GetParentComponent(), &scene);
    auto* child = new TvxObject(nullptr);
    auto* grandchild = new TvxObject(nullptr);
    root->AddObject(child);
    child->AddObject(grandchild);
    EXPECT_EQ(grandchild->Scene(), &scene);
    scene.SetFocused(grandchild);
    size_t slot = ObjectList().size();
    auto* probe = new TvxObject(nullptr);
    ASSERT_EQ(ObjectList()[slot], probe);
    delete probe;
    EXPECT_EQ(ObjectList()[slot], nullptr);
    EXPECT_EQ(ObjectList().size(), slot + 1); // the list keeps its length

    delete child;
    EXPECT_EQ(root->ChildrenCount(), 0);
    EXPECT_EQ(scene.focused, nullptr);
    EXPECT_EQ(scene.removed, (std::vector<TComponent*> { child, grandchild }));
    delete root;
    EXPECT_TRUE(scene.roots.empty());
}

TEST(Tree, ARootObjectMovedUnderAParentLeavesTheScene)
{
    TTestScene scene;
    auto* root = new TvxObject(nullptr);
    scene.AddObject(root);
    TvxObject parent(nullptr);
    parent.AddObject(root);
    EXPECT_TRUE(scene.roots.empty());
    EXPECT_EQ(root->Scene(), nullptr); // the parent is in no scene
    root->SetParent(nullptr);
    EXPECT_EQ(parent.ChildrenCount(), 0);
    delete root;
}

TEST(Tree, ReferencesAndBackLinksAreDroppedOnDestruction)
{
    struct Resource : TPersistent {
        TPersistent* link = nullptr;
        void ResourceDestroying(TPersistent* p) override
        {
            if (p == link)
                link = nullptr;
        }
    };
    Resource res;
    TTestShape user(nullptr);
    auto* target = new TvxObject(nullptr);
    res.link = target;
    target->AddBackLink(&res);
    user.SetLink(target);
    delete target;
    EXPECT_EQ(res.link, nullptr);
    EXPECT_EQ(user.Link(), nullptr);
}

TEST(Tree, OwnerAndParentFreeEachObjectOnce)
{
    // Children read into a root are owned by it and parented by it; freeing either way is safe.
    auto* form = new TComponent(nullptr);
    auto* root = new TvxObject(form);
    auto* child = new TvxObject(form);
    root->AddObject(child);
    delete child; // leaves its parent and its owner
    EXPECT_EQ(root->ChildrenCount(), 0);
    EXPECT_EQ(form->ComponentCount(), 1);
    root->AddObject(new TvxObject(form));
    delete form; // frees root, whose child is also owned by the form
}

TEST(Tree, ObjectListFindsTheNewestStoredObject)
{
    TvxObject older(nullptr), newer(nullptr), style(nullptr);
    older.SetResourceName("panelstyle");
    newer.SetResourceName("PanelStyle");
    style.SetResourceName("panelstyle");
    style.SetStored(false); // a style copy is not stored
    EXPECT_EQ(FindStoredObjectByResourceName("PANELSTYLE"), &newer);
    EXPECT_EQ(FindStoredObjectByResourceName(""), nullptr);
}

TEST(Tree, StoredFlagAndContentDecideWhatIsWritten)
{
    TTestShape root(nullptr);
    auto* content = new TvxContent(nullptr);
    auto* inContent = new TTestShape(nullptr);
    auto* hidden = new TTestShape(nullptr);
    auto* hiddenChild = new TTestShape(nullptr);
    root.AddObject(content);
    content->AddObject(inContent);
    root.AddObject(hidden);
    hidden->AddObject(hiddenChild);
    inContent->SetName("A");
    hidden->SetStored(false);
    EXPECT_FALSE(hiddenChild->Stored()); // the flag applies to the subtree
    EXPECT_EQ(root.SaveToText(), "object TTestShape\n  object A: TTestShape\n  end\nend\n");
    EXPECT_EQ(inContent->GetParentComponent(), &root); // skips the content
    std::vector<TComponent*> reported;
    content->GetChildren([&](TComponent* c) { reported.push_back(c); }, nullptr);
    EXPECT_TRUE(reported.empty());
}

TEST(Tree, CloneIsAnIndependentCopy)
{
    TTestShape original(nullptr);
    original.SetName("Original");
    original.SetWidth(20);
    original.Position()->SetPoint({ 1.5f, 2 });
    auto* child = new TTestShape(nullptr);
    child->SetName("Inner");
    child->SetText(u"文字");
    child->SetResourceName("text");
    original.AddObject(child);
    original.SetDesigning(false);

    TComponent owner(nullptr);
    std::unique_ptr<TvxObject> copyHolder;
    auto* copy = static_cast<TTestShape*>(original.Clone(&owner));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Owner(), &owner);
    EXPECT_EQ(copy->ClassName(), "TTestShape");
    EXPECT_EQ(original.Name(), "Original"); // restored after the write
    EXPECT_EQ(copy->Name(), ""); // names are cleared in the copy
    EXPECT_FALSE(copy->IsDesigning());
    EXPECT_TRUE(copy->designingAtLoaded); // design mode is on around the read
    EXPECT_EQ(copy->Width(), 20.f);
    EXPECT_EQ(copy->Position()->Point(), (TvxPoint { 1.5f, 2 }));
    ASSERT_EQ(copy->ChildrenCount(), 1);
    auto* copiedChild = static_cast<TTestShape*>(copy->FindByResourceName("text"));
    ASSERT_NE(copiedChild, nullptr);
    EXPECT_NE(copiedChild, child);
    EXPECT_EQ(copiedChild->Name(), "");
    EXPECT_EQ(copiedChild->Text(), u"文字");
    copiedChild->SetText(u"changed");
    copy->Position()->SetX(9);
    EXPECT_EQ(child->Text(), u"文字");
    EXPECT_EQ(original.Position()->X(), 1.5f);
    delete copy;
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(original.ChildrenCount(), 1);
}

TEST(Tree, CreateFromStream)
{
    SetLogSink([](std::string_view) {});
    std::unique_ptr<TvxObject> obj(TvxObject::CreateFromText(
        "object Top: TTestShape\n  Count = 4\n  object Sub: TTestVisual\n  end\nend", nullptr));
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->ClassName(), "TTestShape");
    EXPECT_EQ(static_cast<TTestShape*>(obj.get())->Count(), 4);
    EXPECT_EQ(obj->Name(), ""); // names cleared
    ASSERT_EQ(obj->ChildrenCount(), 1);
    EXPECT_EQ(obj->Child(0)->ClassName(), "TTestVisual");
    EXPECT_EQ(TvxObject::CreateFromText("object X: TNoSuchClass\nend", nullptr), nullptr);
    EXPECT_EQ(TvxObject::CreateFromText("object X: TComponent\nend", nullptr), nullptr); // not a TvxObject
    EXPECT_EQ(TvxObject::CreateFromText("garbage", nullptr), nullptr);
    EXPECT_EQ(TvxObject::CreateFromBinary({}, nullptr), nullptr);
    SetLogSink({});
}

TEST(Tree, BindingValuesFindTheObjectAndSwallowSetterErrors)
{
    TvxObject root(nullptr);
    root.SetName("root");
    auto* a = new TTestShape(nullptr);
    auto* b = new TTestShape(nullptr);
    root.AddObject(a);
    a->AddObject(b);
    b->SetBindingName("Amount");
    EXPECT_EQ(std::get<int64_t>(root.GetBindingValue("amount")), 0);
    root.SetBindingValue("AMOUNT", int64_t(7));
    EXPECT_EQ(b->Count(), 7);
    root.SetBindingValue("Amount", int64_t(-1)); // the setter throws: nothing changes
    root.SetBindingValue("Amount", std::string("x"));
    EXPECT_EQ(b->Count(), 7);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(root.GetBindingValue("nobody")));
    EXPECT_EQ(std::get<std::string>(root.GetData()), "root"); // the base gives the Name
}

TEST(Geometry, PositionAndBoundsTextForms)
{
    struct Case {
        std::string_view text;
        TvxRect rect;
        std::string_view written;
    };
    for (const Case& c : { Case { "(1,2,3,4)", { 1, 2, 3, 4 }, "(1,2,3,4)" },
             Case { " ( 0.5 , -2 ,3.25,1e1 )", { 0.5f, -2, 3.25f, 10 }, "(0.500,-2,3.250,10)" },
             Case { "(1,2,3)", {}, "(0,0,0,0)" }, Case { "1,2,3,4", {}, "(0,0,0,0)" },
             Case { "(1,2,3,4", {}, "(0,0,0,0)" }, Case { "(a,2,3,4)", {}, "(0,0,0,0)" },
             Case { "(1;2;3;4)", {}, "(0,0,0,0)" } }) {
        TvxBounds b({ 9, 9, 9, 9 });
        b.SetFromText(c.text);
        EXPECT_EQ(b.Rect(), c.rect) << c.text;
        EXPECT_EQ(b.ToText(), c.written) << c.text;
    }
    TvxPosition p({ 0.5f, 0.5f });
    p.SetFromText("(0.125,3)");
    EXPECT_EQ(p.ToText(), "(0.125,3)");
    p.SetFromText("(x)");
    EXPECT_EQ(p.Point(), (TvxPoint { 0, 0 }));
    EXPECT_EQ(TvxBounds(TvxRect {}).MarginRect({ 0, 0, 100, 50 }), (TvxRect { 0, 0, 100, 50 }));
    EXPECT_EQ(TvxBounds(TvxRect { 1, 2, 3, 4 }).MarginRect({ 0, 0, 100, 50 }), (TvxRect { 1, 2, 97, 46 }));
}

TEST(Geometry, ChangeNotifications)
{
    int changes = 0;
    TvxPosition p;
    p.OnChange = [&](TObject*) { ++changes; };
    p.SetX(0); // unchanged
    p.SetX(1);
    p.SetPoint({ 1, 0 }); // always fires when both are set
    EXPECT_EQ(changes, 2);
    changes = 0;
    TvxBounds b;
    b.OnChange = [&](TObject*) { ++changes; };
    b.SetRect({ 0, 0, 0, 0 });
    b.SetRect({ 1, 2, 3, 4 });
    b.SetTop(2);
    EXPECT_EQ(changes, 1);
    // Stored only when different from the default given at creation.
    TvxPosition centre({ 0.5f, 0.5f });
    TTestShape holder(nullptr);
    EXPECT_FALSE(TvxPosition::StaticClass().FindDefined("Point")->hasData(centre));
    centre.SetX(0);
    EXPECT_TRUE(TvxPosition::StaticClass().FindDefined("Point")->hasData(centre));
}

TEST(Registry, EveryClassPassesItsSelfCheck)
{
    RegisterSceneClasses();
    EXPECT_EQ(FindClass("tvxobject"), &TvxObject::StaticClass());
    EXPECT_EQ(FindClass("TNoSuchClass"), nullptr);
    int checked = 0;
    for (const TClassInfo* cls : RegisteredClasses()) {
        for (const std::string& problem : CheckClassTable(*cls))
            ADD_FAILURE() << problem;
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

// A setter that ignores its value and a default the constructor does not give. Not
// registered, so that the registry-wide check does not see it.
class TBroken : public TPersistent {
    HX_CLASS(TBroken)
    int value = 3;
};

const TClassInfo& TBroken::StaticClass()
{
    static const TClassInfo& info
        = TClassBuilder<TBroken>::Build("TBroken", &TPersistent::StaticClass(), [](TClassBuilder<TBroken>& b) {
              b.Integer(
                   "Value", [](const TBroken& o) { return o.value; }, [](TBroken&, int) {})
                  .Default(0);
          });
    return info;
}

TEST(Registry, SelfCheckCatchesABrokenTable)
{
    std::vector<std::string> problems = CheckClassTable(TBroken::StaticClass());
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "TBroken: Value is 3 after creation, its default is 0");
    EXPECT_EQ(problems[1], "TBroken: Value set to 1 reads back 3");
}

} // namespace hx::test
