#include "demodatabase.h"

#include "core/dberror.h"
#include "core/listingschema.h"
#include "core/valuetext.h"

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

const DemoUser demoUsers[3] = {{"经理", "8888"}, {"前台", "1234"}, {"admin", "admin"}};

namespace {

const QStringList regions = {"天河区", "越秀区", "海珠区", "荔湾区", "白云区", "番禺区", "黄埔区", "花都区"};
const QStringList categories = {"住宅", "商铺", "写字楼", "别墅", "厂房", "车位"};
const QStringList buildingTypes = {"多层", "小高层", "高层", "复式", "跃层", "平房"};
const QStringList features = {"南北通透，近地铁", "学位房，采光好", "江景房，视野开阔", "小区环境优美，配套齐全",
                              "临街旺铺，人流量大", "交通便利，近公交总站", "安静舒适，适合居家", "新装修，拎包入住"};
const QStringList layouts = {"一房一厅", "两房一厅", "两房两厅", "三房两厅", "四房两厅", "单间", "复式五房"};
const QStringList estates = {"碧桂园", "保利花园", "金沙洲新社区", "珠江新城名门", "华景新城", "丽江花园",
                             "锦绣香江", "汇景新城", "天河北苑", "星河湾", "富力桃园", "雅居乐花园"};
const QStringList orientations = {"南", "东南", "东", "西南", "北", "南北", "西"};
const QStringList decorations = {"精装修", "简装修", "豪华装修", "毛坯", "中等装修"};
const QStringList structures = {"框架", "砖混", "钢混", "框剪"};
const QStringList titleSources = {"商品房", "房改房", "经济适用房", "自建房"};
const QStringList titleDeeds = {"有", "无", "在办"};
const QStringList otherFacilities = {"小区会所、泳池", "地下停车场", "24小时保安", "花园、儿童游乐场", "网球场", "宽带入户"};
const QStringList paymentTerms = {"押二付一", "押一付三", "一次性付款", "可按揭", "首付三成"};
const QStringList paymentMethods = {"现金", "银行转账", "按揭贷款", "支票"};
const QStringList photoNames = {"客厅", "主卧", "厨房", "卫生间", "外景", "阳台", "次卧", "小区环境"};

const char *const houseColumns[] = {
    "fybh", "fpyx", "wyzt", "seq", "xgsj", "qy", "wylb", "wylx", "Wytd", "wyhx", "wymc", "jzmz", "Symz",
    "cx", "Ch", "Yt", "Wsj", "zx", "jg", "Ll", "Zlc", "lc", "dh", "dsj", "dbx", "xyj", "kt", "nq", "jj",
    "gdmq", "dt", "wyqy", "cqz", "Qtss", "sj", "zj", "Glf", "skyq", "skfs",
};
constexpr int houseColumnCount = int(sizeof houseColumns / sizeof *houseColumns);

// Above this many listings the photos share a pool of files, as 100 000 listings with
// their own photos would fill a disk for nothing.
constexpr int listingsWithOwnPhotos = 1000;
constexpr int sharedPhotoFiles = 200;

class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    int between(int low, int high) { return int(m_random.bounded(low, high + 1)); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    const QString &pick(const QStringList &values) { return values.at(between(0, int(values.size()) - 1)); }
    // A value that is sometimes missing, as in any database kept by hand.
    QVariant mostly(const QVariant &value, int nullPercent = 3) { return chance(nullPercent) ? QVariant() : value; }
    double tenths(int low, int high) { return between(low * 10, high * 10) / 10.0; }

private:
    QRandomGenerator m_random;
};

QVariantList makeListing(Generator &g, int number, const QDateTime &newest)
{
    const int offerRoll = g.between(1, 100);
    QVariant offerType = offerRoll <= 40 ? 1 : offerRoll <= 75 ? 2 : offerRoll <= 95 ? 3 : offerRoll <= 98 ? 0 : 4;
    if (g.chance(1))
        offerType = QVariant();
    const int statusRoll = g.between(1, 100);
    const QVariant status = statusRoll <= 92 ? 1 : statusRoll <= 98 ? 0 : 2;
    const QVariant sequence = g.chance(2) ? QVariant() : QVariant(g.chance(3) ? -1 : g.between(0, 500));
    const QString changed = newest.addSecs(-qint64(g.between(0, 730 * 24 * 60)) * 60 - number % 60)
                                .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const double area = g.tenths(30, 260);
    const int floors = g.between(2, 34);
    const bool forRent = offerType == 1 || offerType == 3;
    const bool forSale = offerType == 2 || offerType == 3;
    const auto flag = [&g]() -> QVariant {
        const int roll = g.between(1, 100);
        return roll <= 55 ? QVariant(1) : roll <= 93 ? QVariant(0) : roll <= 96 ? QVariant(-1) : QVariant();
    };
    QVariantList row = {
        QStringLiteral("QX%1").arg(number, 6, 10, QLatin1Char('0')),
        offerType,
        status,
        sequence,
        changed,
        g.pick(regions),
        g.pick(categories),
        g.mostly(g.pick(buildingTypes)),
        g.mostly(g.pick(features), 8),
        g.mostly(g.pick(layouts)),
        g.mostly(g.pick(estates) + QStringLiteral("%1栋%2").arg(g.between(1, 30)).arg(g.between(1, floors) * 100 + g.between(1, 8))),
        g.mostly(area),
        g.mostly(qRound(area * g.between(70, 88)) / 100.0),
        g.mostly(g.pick(orientations)),
        g.mostly(g.between(1, 2)),
        g.mostly(g.between(0, 3)),
        g.mostly(g.between(1, 3)),
        g.mostly(g.pick(decorations)),
        g.mostly(g.pick(structures)),
        g.mostly(QString::number(g.between(0, 30))),
        g.mostly(floors),
        g.mostly(g.between(1, floors)),
    };
    for (int i = 0; i < 9; ++i)
        row << flag();
    row << g.mostly(g.pick(titleSources)) << g.mostly(g.pick(titleDeeds)) << g.mostly(g.pick(otherFacilities), 20)
        << (forSale ? g.mostly(g.tenths(30, 900)) : QVariant())
        << (forRent ? g.mostly(g.between(8, 120) * 100) : QVariant())
        << g.mostly(g.tenths(50, 600), 10) << g.mostly(g.pick(paymentTerms)) << g.mostly(g.pick(paymentMethods));
    return row;
}

// A photo of a house front under a sky, different in size and colour for every seed.
QImage makePhoto(Generator &g)
{
    const QSize size(g.between(48, 128) * 10, g.between(36, 96) * 10);
    QImage photo(size, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(g.between(190, 230), g.between(60, 160), 250));
    sky.setColorAt(1, QColor::fromHsv(g.between(20, 60), g.between(20, 80), 230));
    painter.fillRect(photo.rect(), sky);
    painter.setPen(Qt::NoPen);
    const int ground = size.height() * g.between(60, 80) / 100;
    painter.fillRect(0, ground, size.width(), size.height() - ground, QColor::fromHsv(g.between(80, 130), 120, 140));
    for (int building = 0; building < g.between(1, 4); ++building) {
        const int width = size.width() * g.between(15, 35) / 100;
        const int height = ground * g.between(35, 85) / 100;
        const int left = g.between(0, size.width() - width);
        painter.setBrush(QColor::fromHsv(g.between(0, 359), g.between(20, 90), g.between(150, 240)));
        painter.drawRect(left, ground - height, width, height);
        painter.setBrush(QColor(60, 90, 130));
        for (int y = ground - height + 12; y + 16 < ground; y += 28) {
            for (int x = left + 10; x + 14 < left + width; x += 24)
                painter.drawRect(x, y, 12, 14);
        }
    }
    return photo;
}

void exec(QSqlQuery &query)
{
    if (!query.exec())
        throw DbError(DbError::ProviderError, query.lastError().databaseText());
}

void exec(QSqlDatabase &database, const QString &statement)
{
    QSqlQuery query(database);
    if (!query.exec(statement))
        throw DbError(DbError::ProviderError, query.lastError().databaseText());
}

void writeTables(QSqlDatabase &database, const DemoOptions &options, const QString &pictureFolder, DemoSummary &summary)
{
    Generator g(options.seed);
    ListingSchema::create(database);
    exec(database, QStringLiteral("BEGIN"));

    QSqlQuery setting(database);
    setting.prepare(ValueText::insertStatement(QStringLiteral("parasetting"), {"lbh", "lbm"}));
    for (const QString &region : regions) {
        setting.addBindValue(1);
        setting.addBindValue(region);
        exec(setting);
    }
    for (const QString &category : categories) {
        setting.addBindValue(2);
        setting.addBindValue(category);
        exec(setting);
    }
    // Values kept for other programs of the agency, offered in neither list.
    setting.addBindValue(3);
    setting.addBindValue(QStringLiteral("中介费"));
    exec(setting);

    QSqlQuery user(database);
    user.prepare(ValueText::insertStatement(QStringLiteral("user"), {"yhm", "yhkl", "xgr", "xgsj"}));
    for (const DemoUser &demo : demoUsers) {
        user.addBindValue(QString::fromUtf8(demo.name));
        user.addBindValue(QString::fromUtf8(demo.password));
        user.addBindValue(QStringLiteral("SYSTEM"));
        user.addBindValue(QStringLiteral("2024-01-01 09:00:00"));
        exec(user);
        ++summary.users;
    }

    QStringList columns;
    for (const char *column : houseColumns)
        columns << QString::fromLatin1(column);
    QSqlQuery house(database);
    house.prepare(ValueText::insertStatement(QStringLiteral("house"), columns));
    QSqlQuery picture(database);
    picture.prepare(ValueText::insertStatement(QStringLiteral("picture"), {"fybh", "seq", "tpbh", "tpm"}));

    const bool sharedPhotos = options.listings > listingsWithOwnPhotos;
    const QDateTime newest(QDate(2026, 11, 30), QTime(18, 0));
    const auto savePhoto = [&](const QString &fileName) {
        if (!makePhoto(g).save(pictureFolder + QLatin1Char('/') + fileName, "JPEG", g.between(70, 92)))
            throw DbError(DbError::ProviderError, QStringLiteral("不能写入图片 ") + fileName);
        ++summary.photoFiles;
    };
    if (sharedPhotos) {
        for (int i = 1; i <= sharedPhotoFiles; ++i)
            savePhoto(QStringLiteral("pool%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
    }

    for (int number = 1; number <= options.listings; ++number) {
        const QVariantList row = makeListing(g, number, newest);
        for (const QVariant &value : row)
            house.addBindValue(value);
        exec(house);
        ++summary.listings;
        const QString listing = row.first().toString();
        const int photos = g.between(2, 5);
        for (int k = 1; k <= photos; ++k) {
            QString file;
            if (g.chance(2)) {
                file = listing + QStringLiteral("-%1-lost.jpg").arg(k);
                ++summary.missingPhotoFiles;
            } else if (sharedPhotos) {
                file = QStringLiteral("pool%1.jpg").arg(g.between(1, sharedPhotoFiles), 3, 10, QLatin1Char('0'));
            } else {
                file = listing + QStringLiteral("-%1.jpg").arg(k);
                savePhoto(file);
            }
            // Names typed by hand now and then carry blanks around them.
            const QString blanks = g.chance(10) ? QStringLiteral(" ") : QString();
            picture.addBindValue(listing);
            picture.addBindValue(k);
            picture.addBindValue(file);
            picture.addBindValue(blanks + photoNames.at((k - 1 + number) % photoNames.size()) + blanks);
            exec(picture);
            ++summary.photoRows;
        }
    }
    exec(database, QStringLiteral("COMMIT"));
}

} // namespace

DemoSummary writeDemoDatabase(const QString &folder, const DemoOptions &options)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("picture")))
        throw DbError(DbError::ProviderError, QStringLiteral("不能创建文件夹 ") + dir.filePath(QStringLiteral("picture")));
    const QString fileName = dir.filePath(QStringLiteral("itdb.mdb"));
    QFile::remove(fileName);

    DemoSummary summary;
    const QString connection = QStringLiteral("quillonix-demodb");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(fileName);
        try {
            if (!database.open())
                throw DbError(DbError::ProviderError, database.lastError().text());
            writeTables(database, options, dir.filePath(QStringLiteral("picture")), summary);
        } catch (...) {
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            throw;
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return summary;
}
