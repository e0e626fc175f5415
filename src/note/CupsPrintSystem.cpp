#include "note/CupsPrintSystem.h"

#include <QPrinterInfo>

#include <cups/cups.h>

namespace {

class CupsPrintSystem : public PrintSystem
{
public:
    QStringList printerNames() override { return QPrinterInfo::availablePrinterNames(); }

    std::optional<QList<Job>> jobs(const QString &queue) override
    {
        cups_job_t *list = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, queue.toUtf8().constData(),
                                       1 /* this user's */, CUPS_WHICHJOBS_ALL);
        if (count < 0)
            return std::nullopt;
        QList<Job> jobs;
        for (int i = 0; i < count; ++i)
            jobs.append(
                {list[i].id, QString::fromUtf8(list[i].title),
                 list[i].state == IPP_JSTATE_ABORTED || list[i].state == IPP_JSTATE_CANCELED});
        cupsFreeJobs(count, list);
        return jobs;
    }
};

} // namespace

std::unique_ptr<PrintSystem> MakeCupsPrintSystem()
{
    return std::make_unique<CupsPrintSystem>();
}
