// Each window template holds exactly the items res/ResourceIds.h names for
// it: a template and the header that drift apart fail here, not as a window
// that comes up without its button.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "platform/Resources.h"
#include "res/ResourceIds.h"

namespace {

// The template's numbered objects: its items.
std::set<int> ItemsOf(const CResourceBytes& ui) {
    static const std::regex kNumberedObject(R"re(<object\s[^>]*\bid="([0-9]+)")re");
    const std::string text(ui.Text());
    std::set<int> items;
    for (std::sregex_iterator it(text.begin(), text.end(), kNumberedObject), end; it != end; ++it) {
        items.insert(std::stoi((*it)[1]));
    }
    return items;
}

}  // namespace

TEST(ResourceIds, EachTemplateHoldsExactlyTheItemsNamedForIt) {
    const struct {
        int templateId;
        std::set<int> items;
    } templates[] = {
        {kMainDialogId, {}},
        {kLoginDialogId, {kLoginBrowserItem, kLoginCloseItem, kLoginMinimizeItem}},
        {kConfirmDialogId,
         {kConfirmTitleItem, kConfirmQuestionItem, kConfirmOkItem, kConfirmCancelItem}},
        {kDownloadDialogId,
         {kDownloadTitleItem, kDownloadSizesItem, kDownloadSpeedItem, kDownloadTimeLeftItem,
          kDownloadRetryItem, kDownloadCancelItem}},
        {kMessageDialogId, {kMessageCaptionItem, kMessageTextItem, kMessageOkItem}},
    };
    for (const auto& t : templates) {
        const std::optional<CResourceBytes> ui = FindResource(t.templateId, ResourceType::Dialog);
        ASSERT_TRUE(ui) << "no template " << t.templateId;
        EXPECT_EQ(ItemsOf(*ui), t.items) << "res/dialogs/" << t.templateId << ".ui";
    }
}
