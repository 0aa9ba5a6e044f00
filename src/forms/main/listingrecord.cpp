#include "forms/main/listingrecord.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/valuetext.h"
#include "forms/main/offertype.h"

#include <QStringList>
#include <cstring>

namespace {

// Each detail field with the column it shows; the number, the offer type and the facilities
// line have none of their own.
struct FieldColumn
{
    ListingRecord::Field field;
    const char *column;
};

const FieldColumn fieldColumns[ListingRecord::fieldCount] = {
    {{"txtFybh", "物业编号", ""}, nullptr},   {{"txtFpyx", "放盘意向", ""}, nullptr},
    {{"txtQy", "区域", ""}, "qy"},            {{"txtWylb", "物业类别", ""}, "wylb"},
    {{"txtWylx", "物业类型", ""}, "wylx"},    {{"txtWytd", "物业特点", ""}, "Wytd"},
    {{"txtWyhx", "户型", ""}, "wyhx"},        {{"txtWymc", "物业名称", ""}, "wymc"},
    {{"txtJzmz", "建筑面积", "平方米"}, "Jzmz"}, {{"txtSymz", "实用面积", "平方米"}, "Symz"},
    {{"txtCx", "朝向", ""}, "cx"},            {{"txtCh", "厨", ""}, "Ch"},
    {{"txtYt", "阳台", ""}, "Yt"},            {{"txtWsj", "卫生间", ""}, "Wsj"},
    {{"txtZx", "装修", ""}, "zx"},            {{"txtJg", "结构", ""}, "jg"},
    {{"txtLl", "楼龄", ""}, "Ll"},            {{"txtZlc", "总楼层", "层"}, "Zlc"},
    {{"txtLc", "所在", "层"}, "Lc"},          {{"txtWysx", "物业设施", ""}, nullptr},
    {{"txtWyqy", "物业权源", ""}, "wyqy"},    {{"txtCqz", "产权证", ""}, "cqz"},
    {{"txtQtss", "其他设施", ""}, "Qtss"},    {{"txtSj", "售价", "万元"}, "Sj"},
    {{"txtZj", "租价", "元"}, "Zj"},          {{"txtGlf", "管理费", "元"}, "Glf"},
    {{"txtSkyq", "收款要求", ""}, "skyq"},    {{"txtSkfs", "收款方式", ""}, "skfs"},
};

struct FacilityFlag
{
    const char *phrase;
    const char *column;
};

// The nine facility flags in the order the facilities line names them.
const FacilityFlag facilities[] = {
    {"电话", "dh"}, {"电视机", "dsj"}, {"冰箱", "dbx"},   {"洗衣机", "xyj"}, {"空调", "kt"},
    {"暖气", "nq"}, {"家具", "jj"},    {"管道煤气", "gdmq"}, {"电梯", "dt"},
};

QString facilitiesLine(const Recordset &house)
{
    QStringList present;
    for (const FacilityFlag &flag : facilities) {
        if (ValueText::equalsNumber(house.field(QString::fromLatin1(flag.column)), 1))
            present << QString::fromUtf8(flag.phrase);
    }
    return present.join(QStringLiteral("、"));
}

} // namespace

const std::array<ListingRecord::Field, ListingRecord::fieldCount> &ListingRecord::fields()
{
    static const std::array<Field, fieldCount> all = [] {
        std::array<Field, fieldCount> listed{};
        for (int i = 0; i < fieldCount; ++i)
            listed[size_t(i)] = fieldColumns[i].field;
        return listed;
    }();
    return all;
}

int ListingRecord::indexOf(const char *box)
{
    for (int i = 0; i < fieldCount; ++i) {
        if (std::strcmp(fieldColumns[i].field.box, box) == 0)
            return i;
    }
    qFatal("no detail field %s", box);
}

ListingRecord ListingRecord::read(const StoredText &strFybh)
{
    ListingRecord listing;
    // The number is bound, not written into the statement: one compiled statement serves
    // every listing, and a quote in a number is only data.
    const QVariantList number = {QVariant::fromValue(strFybh)};
    Recordset &house = funOpenQuery(QStringLiteral("SELECT * FROM house WHERE fybh=?"), number);
    if (house.eof()) {
        // A listing that was listed may be gone since, or a damaged index may have lost it.
        house.confirmNoRows();
        throw DbError(DbError::NoCurrentRecord, QString());
    }
    for (int i = 0; i < fieldCount; ++i) {
        if (const char *column = fieldColumns[i].column)
            listing.texts[size_t(i)] = ValueText::plain(house.field(QString::fromLatin1(column)));
    }
    listing.texts[size_t(indexOf("txtFybh"))] = strFybh.shown();
    listing.texts[size_t(indexOf("txtFpyx"))] = offerTypeText(house.field(QStringLiteral("fpyx")));
    listing.texts[size_t(indexOf("txtWysx"))] = facilitiesLine(house);
    listing.offered = house.field(QStringLiteral("wyzt")).toInt() == 1;
    house.close();

    Recordset &photos = funOpenQuery(QStringLiteral("SELECT seq,tpbh,tpm FROM picture WHERE fybh=?"), number);
    for (; !photos.eof(); photos.moveNext()) {
        listing.photos.append({ValueText::plain(photos.field(QStringLiteral("tpbh"))),
                               ValueText::trimBlanks(ValueText::plain(photos.field(QStringLiteral("tpm"))))});
    }
    photos.close();
    return listing;
}

bool ListingRecord::isOffered(const StoredText &strFybh)
{
    Recordset &house
        = funOpenQuery(QStringLiteral("SELECT wyzt FROM house WHERE fybh=?"), {QVariant::fromValue(strFybh)});
    if (house.eof()) {
        house.confirmNoRows();
        return false;
    }
    const bool offered = house.field(0).toInt() == 1;
    house.close();
    return offered;
}
