#include "support/talonlayout.h"

namespace testsupport {

QList<QPair<QString, QPoint>> frontPlaces(const certificate::FrontTexts &t) {
    return {
        {t.name, {70, 260}},          {t.name, {620, 260}},         {t.address, {70, 285}},
        {t.address, {620, 285}},      {t.genre, {400, 320}},        {t.genre, {620, 420}},
        {t.genre, {70, 420}},         {t.make, {400, 335}},         {t.make, {70, 435}},
        {t.make, {620, 435}},         {t.model, {400, 350}},        {t.model, {620, 450}},
        {t.model, {70, 450}},         {t.registration, {400, 365}}, {t.registration, {620, 465}},
        {t.registration, {70, 465}},  {t.policyNumber, {400, 380}}, {t.policyNumber, {70, 480}},
        {t.policyNumber, {620, 480}}, {t.start, {400, 395}},        {t.start, {620, 495}},
        {t.start, {70, 495}},         {t.end, {400, 410}},          {t.end, {620, 510}},
        {t.end, {70, 510}},
    };
}

} // namespace testsupport
