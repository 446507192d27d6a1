// The review view's hooks. Until the view itself is built it registers no
// layer and holds no picture: the hooks have nothing to do.
#include "source/graphics/t_view_review.h"

void T_VIEW_vReviewRunSystem(void) {}
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg) { (void)pMsg; }
void T_VIEW_vReviewResetPos(void) {}
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg) { (void)pMsg; }
// Without the review view no full-size picture is ever held.
void T_VIEW_vReviewReleaseFullPicture(void) {}
