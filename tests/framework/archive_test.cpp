// Run-time classes, files and archives, on real files of drive D:.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "afx.h"
#include "test_files.h"

namespace {

// A serialisable class with some data, and one derived from it.
class CTestShape : public CObject {
    DECLARE_SERIAL(CTestShape)

public:
    DWORD m_dwWidth = 0;
    LONG m_lOffset = 0;

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_dwWidth << m_lOffset;
        else
            ar >> m_dwWidth >> m_lOffset;
    }
};
IMPLEMENT_SERIAL(CTestShape, CObject, 2)

class CTestCircle : public CTestShape {
    DECLARE_SERIAL(CTestCircle)

public:
    WORD m_wRadius = 0;

    void Serialize(CArchive& ar) override {
        CTestShape::Serialize(ar);
        if (ar.IsStoring())
            ar << m_wRadius;
        else
            ar >> m_wRadius;
    }
};
IMPLEMENT_SERIAL(CTestCircle, CTestShape, 1)

// Known to the run-time class system, but neither registered nor creatable.
class CTestDynamic : public CTestShape {
    DECLARE_DYNAMIC(CTestDynamic)
};
IMPLEMENT_DYNAMIC(CTestDynamic, CTestShape)

std::string ReadAll(const std::string& path) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary)) return "(cannot open " + path + ")";
    std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
    if (!bytes.empty()) bytes.resize(file.Read(&bytes[0], static_cast<UINT>(bytes.size())));
    return bytes;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

TEST(CRuntimeClassTest, SerialClassesAreRegisteredByNameAndCreated) {
    CRuntimeClass* pClass = CRuntimeClass::FromName("CTestShape");
    ASSERT_EQ(pClass, RUNTIME_CLASS(CTestShape));
    EXPECT_STREQ(pClass->m_lpszClassName, "CTestShape");
    EXPECT_EQ(pClass->m_wSchema, 2u);
    EXPECT_EQ(pClass->m_nObjectSize, static_cast<int>(sizeof(CTestShape)));
    EXPECT_EQ(pClass->m_pBaseClass, RUNTIME_CLASS(CObject));

    CObject* pObject = pClass->CreateObject();
    ASSERT_NE(pObject, nullptr);
    EXPECT_EQ(pObject->GetRuntimeClass(), RUNTIME_CLASS(CTestShape));
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(pObject->IsKindOf(RUNTIME_CLASS(CTestCircle)));
    delete pObject;

    CObject* pCircle = CRuntimeClass::FromName("CTestCircle")->CreateObject();
    ASSERT_NE(pCircle, nullptr);
    EXPECT_TRUE(pCircle->IsKindOf(RUNTIME_CLASS(CTestShape)));
    EXPECT_NE(dynamic_cast<CTestCircle*>(pCircle), nullptr);
    delete pCircle;
}

TEST(CRuntimeClassTest, OnlySerialClassesCanBeFoundOrCreated) {
    EXPECT_EQ(CRuntimeClass::FromName("CTestDynamic"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CTestShap"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CTestDynamic)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CTestDynamic)->m_wSchema, 0xFFFFu);
    EXPECT_TRUE(RUNTIME_CLASS(CTestDynamic)->IsDerivedFrom(RUNTIME_CLASS(CTestShape)));
    EXPECT_FALSE(RUNTIME_CLASS(CTestShape)->IsDerivedFrom(RUNTIME_CLASS(CTestDynamic)));
    CTestDynamic dynamic;
    const CObject& object = dynamic;
    EXPECT_EQ(object.GetRuntimeClass(), RUNTIME_CLASS(CTestDynamic));
    EXPECT_STREQ(object.GetRuntimeClass()->m_lpszClassName, "CTestDynamic");
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CTestShape)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CTestCircle)));
}

TEST(CFileTest, ReadsWritesAndSeeksWithPositions) {
    harness::TestDirectory dir;
    const std::string path = dir / "file.bin";
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead)) << "one file per object";
    EXPECT_TRUE(file.Write("0123456789", 10));
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(-4, CFile::end), 6u);
    EXPECT_EQ(file.Seek(2, CFile::current), 8u);
    EXPECT_EQ(file.Seek(-100, CFile::begin), ULLONG_MAX);
    EXPECT_EQ(file.GetPosition(), 8u) << "a failed seek leaves the position";
    EXPECT_EQ(file.Seek(20, CFile::begin), 20u) << "beyond the end is a position too";
    char buffer[8] = "";
    EXPECT_EQ(file.Read(buffer, 4), 0u) << "not open for reading";
    file.Close();
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_FALSE(file.Write("x", 1));

    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeBinary));
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "3456");
    EXPECT_EQ(file.Read(buffer, 8), 3u) << "the end of the file cuts the read short";
    EXPECT_EQ(file.Read(buffer, 8), 0u);
    EXPECT_FALSE(file.Write("x", 1)) << "opened for reading";
    file.Close();

    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_EQ(file.GetLength(), 0u) << "creating empties the file";
    EXPECT_TRUE(file.Write("ab", 2));
    EXPECT_EQ(file.Seek(0, CFile::begin), 0u);
    EXPECT_EQ(file.Read(buffer, 8), 2u);
    file.Close();

    CFile missing;
    EXPECT_FALSE(missing.Open((dir / "missing.bin").c_str(), CFile::modeRead));
    EXPECT_EQ(missing.Read(buffer, 1), 0u);
}

TEST(CArchiveTest, NumbersRoundTripLittleEndian) {
    harness::TestDirectory dir;
    const std::string path = dir / "numbers.bin";
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        EXPECT_TRUE(ar.IsStoring());
        EXPECT_FALSE(ar.IsLoading());
        EXPECT_EQ(ar.GetFile(), &file);
        ar << static_cast<DWORD>(0x12345678) << static_cast<WORD>(0xBEEF) << static_cast<BYTE>(0x7F)
           << static_cast<LONG>(-2);
        ar.Close();
        EXPECT_EQ(ar.GetFile(), nullptr);
    }
    EXPECT_EQ(ReadAll(path), Bytes({0x78, 0x56, 0x34, 0x12, 0xEF, 0xBE, 0x7F, 0xFE, 0xFF, 0xFF, 0xFF}));

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    EXPECT_TRUE(ar.IsLoading());
    DWORD dw = 0;
    WORD w = 0;
    BYTE by = 0;
    LONG l = 0;
    ar >> dw >> w >> by >> l;
    EXPECT_EQ(dw, 0x12345678u);
    EXPECT_EQ(w, 0xBEEF);
    EXPECT_EQ(by, 0x7F);
    EXPECT_EQ(l, -2);
    dw = 99;
    ar >> dw;
    EXPECT_EQ(dw, 0u) << "past the end comes zero";
}

TEST(CArchiveTest, ManyNumbersThroughASmallBuffer) {
    harness::TestDirectory dir;
    const std::string path = dir / "many.bin";
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store, 16);
        for (DWORD i = 0; i < 1000; ++i) ar << i * 7;
        const std::string big(100, 'z');
        ar.Write(big.data(), static_cast<UINT>(big.size()));
        ar << static_cast<WORD>(0xABCD);
    }  // the destructor writes out the rest
    EXPECT_EQ(ReadAll(path).size(), 4000u + 100u + 2u);

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load, 16);
    for (DWORD i = 0; i < 1000; ++i) {
        DWORD dw = 0;
        ar >> dw;
        ASSERT_EQ(dw, i * 7) << "number " << i;
    }
    std::string big(100, '\0');
    EXPECT_EQ(ar.Read(&big[0], 100), 100u);
    EXPECT_EQ(big, std::string(100, 'z'));
    WORD w = 0;
    ar >> w;
    EXPECT_EQ(w, 0xABCD);
}

TEST(CArchiveTest, FlushMovesTheFileToWhereTheArchiveStands) {
    harness::TestDirectory dir;
    const std::string path = dir / "flush.bin";
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        ar << static_cast<DWORD>(1);
        EXPECT_EQ(file.GetLength(), 0u) << "still buffered";
        ar.Flush();
        EXPECT_EQ(file.GetLength(), 4u);
        EXPECT_EQ(file.GetPosition(), 4u);
        // What goes to the file directly lands after what the archive wrote.
        const DWORD direct = 2;
        file.Write(&direct, sizeof direct);
        for (DWORD i = 3; i <= 100; ++i) ar << i;
    }

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    DWORD dw = 0;
    ar >> dw;
    EXPECT_EQ(dw, 1u);
    EXPECT_EQ(file.GetPosition(), 400u) << "the archive reads ahead";
    ar.Flush();
    EXPECT_EQ(file.GetPosition(), 4u);
    DWORD direct = 0;
    EXPECT_EQ(file.Read(&direct, sizeof direct), 4u);
    EXPECT_EQ(direct, 2u);
    ar >> dw;
    EXPECT_EQ(dw, 3u) << "the archive goes on from the file's position";
    ar.Close();
    EXPECT_EQ(file.GetPosition(), 12u) << "closing a loading archive gives back the read-ahead too";
}

TEST(CArchiveTest, ObjectsRoundTripWithTheirClasses) {
    harness::TestDirectory dir;
    const std::string path = dir / "objects.bin";
    {
        CTestShape shape;
        shape.m_dwWidth = 640;
        shape.m_lOffset = -3;
        CTestShape second;
        second.m_dwWidth = 7;
        CTestCircle circle;
        circle.m_dwWidth = 5;
        circle.m_wRadius = 9;
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        ar << &shape << &second << static_cast<const CObject*>(nullptr) << &circle << &second;
    }
    const std::string name = "CTestShape";
    std::string expected = Bytes({0xFF, 0xFF, 2, 0, 10, 0}) + name + Bytes({0x80, 2, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF});
    expected += Bytes({0x01, 0x80, 7, 0, 0, 0, 0, 0, 0, 0});
    expected += Bytes({0, 0});
    expected += Bytes({0xFF, 0xFF, 1, 0, 11, 0}) + "CTestCircle" + Bytes({5, 0, 0, 0, 0, 0, 0, 0, 9, 0});
    expected += Bytes({0x01, 0x80, 7, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ReadAll(path), expected);

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    CObject* pObject = nullptr;
    ar >> pObject;
    auto* pShape = dynamic_cast<CTestShape*>(pObject);
    ASSERT_NE(pShape, nullptr);
    EXPECT_EQ(pShape->GetRuntimeClass(), RUNTIME_CLASS(CTestShape));
    EXPECT_EQ(pShape->m_dwWidth, 640u);
    EXPECT_EQ(pShape->m_lOffset, -3);
    CTestShape* pSecond = nullptr;
    ar >> pSecond;
    ASSERT_NE(pSecond, nullptr);
    EXPECT_EQ(pSecond->m_dwWidth, 7u);
    CObject* pNull = pShape;
    ar >> pNull;
    EXPECT_EQ(pNull, nullptr);
    CTestCircle* pCircle = nullptr;
    ar >> pCircle;
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->m_dwWidth, 5u);
    EXPECT_EQ(pCircle->m_wRadius, 9);
    CTestCircle* pWrongClass = pCircle;
    ar >> pWrongClass;
    EXPECT_EQ(pWrongClass, nullptr) << "a CTestShape is not a CTestCircle";
    delete pShape;
    delete pSecond;
    delete pCircle;
}

// Loads one object from bytes written as they are.
CObject* LoadObject(const harness::TestDirectory& dir, const std::string& bytes) {
    dir.WriteFile("framing.bin", bytes);
    CFile file;
    if (!file.Open((dir / "framing.bin").c_str(), CFile::modeRead)) return nullptr;
    CArchive ar(&file, CArchive::load);
    return ar.ReadObject(nullptr);
}

TEST(CArchiveTest, FramingItCannotReadGivesNoObject) {
    harness::TestDirectory dir;
    const std::string data(8, '\0');
    std::unique_ptr<CObject> pGood(LoadObject(dir, Bytes({0xFF, 0xFF, 2, 0, 10, 0}) + "CTestShape" + data));
    EXPECT_NE(pGood, nullptr) << "the well-formed record these vary";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 2, 0, 10, 0}) + "CTestShapX" + data), nullptr) << "unknown";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 3, 0, 10, 0}) + "CTestShape" + data), nullptr) << "schema";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 12, 0}) + "CTestDynamic" + data), nullptr)
        << "not registered";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 2, 0, 65, 0}) + std::string(65, 'C') + data), nullptr)
        << "name too long";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 2, 0, 0, 0}) + data), nullptr) << "no name";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF, 0xFF, 2, 0, 10, 0}) + "CTest"), nullptr) << "name cut short";
    EXPECT_EQ(LoadObject(dir, Bytes({0x01, 0x80}) + data), nullptr) << "a class not introduced";
    EXPECT_EQ(LoadObject(dir, Bytes({0x01, 0x00}) + data), nullptr) << "object references are not written";
    EXPECT_EQ(LoadObject(dir, Bytes({0xFF})), nullptr) << "half a tag";
    EXPECT_EQ(LoadObject(dir, ""), nullptr) << "nothing";
}

}  // namespace
